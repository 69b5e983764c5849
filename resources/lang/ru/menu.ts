<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>menu</name>
<message id="menu.file"><source>Файл</source><translation>Файл</translation></message>
<message id="32777"><source>Открыть...</source><translation>Открыть...</translation></message>
<message id="32798"><source>История...</source><translation>История...</translation></message>
<message id="32773"><source>Сохранить фрагмент как...</source><translation>Сохранить фрагмент как...</translation></message>
<message id="32796"><source>Сохранить каналы как...</source><translation>Сохранить каналы как...</translation></message>
<message id="40003"><source>Закрыть</source><translation>Закрыть</translation></message>
<message id="32786"><source>Закрыть все окна</source><translation>Закрыть все окна</translation></message>
<message id="105"><source>Выход</source><translation>Выход</translation></message>
<message id="menu.processing"><source>Обработка</source><translation>Обработка</translation></message>
<message id="32774"><source>Показать мин-макс</source><translation>Показать мин-макс</translation></message>
<message id="32776"><source>Усреднение</source><translation>Усреднение</translation></message>
<message id="32775"><source>Скользящее среднее</source><translation>Скользящее среднее</translation></message>
<message id="32788"><source>Линейное преобразование</source><translation>Линейное преобразование</translation></message>
<message id="32790"><source>Среднеквадратичное значение</source><translation>Среднеквадратичное значение</translation></message>
<message id="32792"><source>Сложение-вычитание</source><translation>Сложение-вычитание</translation></message>
<message id="32794"><source>Табличная функция</source><translation>Табличная функция</translation></message>
<message id="32800"><source>Спектральный анализ</source><translation>Спектральный анализ</translation></message>
<message id="menu.settings"><source>Настройки</source><translation>Настройки</translation></message>
<message id="32778"><source>Параметры...</source><translation>Параметры...</translation></message>
<message id="104"><source>О программе...</source><translation>О программе...</translation></message>
</context>
</TS>
