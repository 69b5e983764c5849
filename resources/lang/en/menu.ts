<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>menu</name>
<message id="menu.file"><source>&amp;Файл</source><translation>&amp;File</translation></message>
<message id="32777"><source>&amp;Открыть...</source><translation>&amp;Open...</translation></message>
<message id="32798"><source>&amp;История...</source><translation>&amp;History...</translation></message>
<message id="32773"><source>Сохранить &amp;фрагмент как...</source><translation>Save &amp;fragment as...</translation></message>
<message id="32796"><source>Сохранить &amp;каналы как...</source><translation>Save channe&amp;ls as...</translation></message>
<message id="40003"><source>&amp;Закрыть</source><translation>&amp;Close</translation></message>
<message id="32786"><source>Закрыть &amp;все окна</source><translation>Close &amp;all windows</translation></message>
<message id="105"><source>В&amp;ыход</source><translation>E&amp;xit</translation></message>
<message id="menu.processing"><source>&amp;Обработка</source><translation>&amp;Processing</translation></message>
<message id="32774"><source>Показать &amp;мин-макс</source><translation>Show &amp;Min-Max</translation></message>
<message id="32776"><source>&amp;Усреднение</source><translation>A&amp;veraging</translation></message>
<message id="32775"><source>&amp;Скользящее среднее</source><translation>M&amp;oving average</translation></message>
<message id="32788"><source>&amp;Линейное преобразование</source><translation>&amp;Linear transformation</translation></message>
<message id="32790"><source>С&amp;реднеквадратичное значение</source><translation>&amp;RMS (effective value)</translation></message>
<message id="32792"><source>Сложение-в&amp;ычитание</source><translation>A&amp;dd-subtract</translation></message>
<message id="32794"><source>&amp;Табличная функция</source><translation>&amp;Table function</translation></message>
<message id="32800"><source>Спе&amp;ктральный анализ</source><translation>&amp;Spectral analysis</translation></message>
<message id="menu.settings"><source>&amp;Настройки</source><translation>&amp;Settings</translation></message>
<message id="32778"><source>&amp;Параметры...</source><translation>&amp;Parameters...</translation></message>
<message id="104"><source>&amp;О программе...</source><translation>&amp;About...</translation></message>
</context>
</TS>
