<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>strings_stats</name>
<message id="740"><source>С&amp;татистика</source><translation>С&amp;татистика</translation></message>
<message id="741"><source>Статистика</source><translation>Статистика</translation></message>
<message id="742"><source>Между курсорами</source><translation>Между курсорами</translation></message>
<message id="743"><source>Видимый интервал</source><translation>Видимый интервал</translation></message>
<message id="744"><source>Копировать</source><translation>Копировать</translation></message>
<message id="745"><source>Канал</source><translation>Канал</translation></message>
<message id="746"><source>Отсчётов</source><translation>Отсчётов</translation></message>
<message id="747"><source>Нечисловых</source><translation>Нечисловых</translation></message>
<message id="748"><source>Минимум</source><translation>Минимум</translation></message>
<message id="749"><source>Отсчёт минимума</source><translation>Отсчёт минимума</translation></message>
<message id="750"><source>Максимум</source><translation>Максимум</translation></message>
<message id="751"><source>Отсчёт максимума</source><translation>Отсчёт максимума</translation></message>
<message id="752"><source>Среднее</source><translation>Среднее</translation></message>
<message id="753"><source>СКЗ</source><translation>СКЗ</translation></message>
<message id="754"><source>СКО</source><translation>СКО</translation></message>
<message id="755"><source>Размах</source><translation>Размах</translation></message>
<message id="756"><source>Среднее модуля</source><translation>Среднее модуля</translation></message>
<message id="757"><source>Частота, Гц</source><translation>Частота, Гц</translation></message>
<message id="758"><source>Курсор времени 1 к следующему / предыдущему пересечению уровня курсора 1 выбранным каналом снизу вверх</source><translation>Курсор времени 1 к следующему / предыдущему пересечению уровня курсора 1 выбранным каналом снизу вверх</translation></message>
</context>
</TS>
