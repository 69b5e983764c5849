<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>menu</name>
<message id="menu.file"><source>Файл</source><translation>File</translation></message>
<message id="32777"><source>Открыть...</source><translation>Open...</translation></message>
<message id="32798"><source>История...</source><translation>History...</translation></message>
<message id="32773"><source>Сохранить фрагмент как...</source><translation>Save fragment as...</translation></message>
<message id="32796"><source>Сохранить каналы как...</source><translation>Save channels as...</translation></message>
<message id="40003"><source>Закрыть</source><translation>Close</translation></message>
<message id="32786"><source>Закрыть все окна</source><translation>Close all windows</translation></message>
<message id="105"><source>Выход</source><translation>Exit</translation></message>
<message id="menu.processing"><source>Обработка</source><translation>Processing</translation></message>
<message id="32774"><source>Показать мин-макс</source><translation>Show Min-Max</translation></message>
<message id="32776"><source>Усреднение</source><translation>Averaging</translation></message>
<message id="32775"><source>Скользящее среднее</source><translation>Moving average</translation></message>
<message id="32788"><source>Линейное преобразование</source><translation>Linear transformation</translation></message>
<message id="32790"><source>Среднеквадратичное значение</source><translation>RMS (effective value)</translation></message>
<message id="32792"><source>Сложение-вычитание</source><translation>Add-subtract</translation></message>
<message id="32794"><source>Табличная функция</source><translation>Table function</translation></message>
<message id="32800"><source>Спектральный анализ</source><translation>Spectral analysis</translation></message>
<message id="menu.settings"><source>Настройки</source><translation>Settings</translation></message>
<message id="32778"><source>Параметры...</source><translation>Parameters...</translation></message>
<message id="104"><source>О программе...</source><translation>About...</translation></message>
</context>
</TS>
