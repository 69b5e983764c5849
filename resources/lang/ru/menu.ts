<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>menu</name>
<message id="menu.file"><source>&amp;Файл</source><translation>&amp;Файл</translation></message>
<message id="32777"><source>&amp;Открыть...</source><translation>&amp;Открыть...</translation></message>
<message id="32798"><source>&amp;История...</source><translation>&amp;История...</translation></message>
<message id="32773"><source>Сохранить &amp;фрагмент как...</source><translation>Сохранить &amp;фрагмент как...</translation></message>
<message id="32796"><source>Сохранить &amp;каналы как...</source><translation>Сохранить &amp;каналы как...</translation></message>
<message id="40003"><source>&amp;Закрыть</source><translation>&amp;Закрыть</translation></message>
<message id="32786"><source>Закрыть &amp;все окна</source><translation>Закрыть &amp;все окна</translation></message>
<message id="105"><source>В&amp;ыход</source><translation>В&amp;ыход</translation></message>
<message id="menu.processing"><source>&amp;Обработка</source><translation>&amp;Обработка</translation></message>
<message id="32774"><source>Показать &amp;мин-макс</source><translation>Показать &amp;мин-макс</translation></message>
<message id="32776"><source>&amp;Усреднение</source><translation>&amp;Усреднение</translation></message>
<message id="32775"><source>&amp;Скользящее среднее</source><translation>&amp;Скользящее среднее</translation></message>
<message id="32788"><source>&amp;Линейное преобразование</source><translation>&amp;Линейное преобразование</translation></message>
<message id="32790"><source>С&amp;реднеквадратичное значение</source><translation>С&amp;реднеквадратичное значение</translation></message>
<message id="32792"><source>Сложение-в&amp;ычитание</source><translation>Сложение-в&amp;ычитание</translation></message>
<message id="32794"><source>&amp;Табличная функция</source><translation>&amp;Табличная функция</translation></message>
<message id="32800"><source>Спе&amp;ктральный анализ</source><translation>Спе&amp;ктральный анализ</translation></message>
<message id="menu.settings"><source>&amp;Настройки</source><translation>&amp;Настройки</translation></message>
<message id="32778"><source>&amp;Параметры...</source><translation>&amp;Параметры...</translation></message>
<message id="104"><source>&amp;О программе...</source><translation>&amp;О программе...</translation></message>
</context>
</TS>
