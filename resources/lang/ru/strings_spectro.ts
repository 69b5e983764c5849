<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>strings_spectro</name>
<message id="810"><source>Усреднённый (Уэлч)</source><translation>Усреднённый (Уэлч)</translation></message>
<message id="811"><source>Сегментов</source><translation>Сегментов</translation></message>
<message id="812"><source>Амплитуда, дБ от наибольшей</source><translation>Амплитуда, дБ от наибольшей</translation></message>
<message id="813"><source>Спектральная плотность мощности, дБ отн. 1 ед.²/Гц</source><translation>Спектральная плотность мощности, дБ отн. 1 ед.²/Гц</translation></message>
<message id="814"><source>Число сегментов должно быть целым от %1 до %2</source><translation>Число сегментов должно быть целым от %1 до %2</translation></message>
<message id="815"><source>Фрагмент из %1 отсчётов слишком короток для %2 сегментов</source><translation>Фрагмент из %1 отсчётов слишком короток для %2 сегментов</translation></message>
<message id="816"><source>Спектрограмма: %1 Гц, %2 дБ</source><translation>Спектрограмма: %1 Гц, %2 дБ</translation></message>
<message id="817"><source>Запись короче одного кадра БПФ</source><translation>Запись короче одного кадра БПФ</translation></message>
<message id="818"><source>&amp;Спектрограмма</source><translation>&amp;Спектрограмма</translation></message>
<message id="819"><source>Па&amp;раметры спектрограммы…</source><translation>Па&amp;раметры спектрограммы…</translation></message>
<message id="820"><source>Спектрограмма</source><translation>Спектрограмма</translation></message>
<message id="821"><source>Размер БПФ</source><translation>Размер БПФ</translation></message>
<message id="822"><source>Перекрытие, %</source><translation>Перекрытие, %</translation></message>
<message id="823"><source>Окно</source><translation>Окно</translation></message>
<message id="824"><source>Диапазон, дБ</source><translation>Диапазон, дБ</translation></message>
<message id="825"><source>Размер БПФ должен быть целым от %1 до %2</source><translation>Размер БПФ должен быть целым от %1 до %2</translation></message>
<message id="826"><source>Перекрытие должно быть числом от 0 до %1 %</source><translation>Перекрытие должно быть числом от 0 до %1 %</translation></message>
<message id="827"><source>Диапазон должен быть числом от %1 до %2 дБ</source><translation>Диапазон должен быть числом от %1 до %2 дБ</translation></message>
<message id="828"><source>Применить</source><translation>Применить</translation></message>
</context>
</TS>
