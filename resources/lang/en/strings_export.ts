<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>strings_export</name>
<message id="670"><source>&amp;Экспорт...</source><translation>&amp;Export...</translation></message>
<message id="671"><source>Экспорт</source><translation>Export</translation></message>
<message id="672"><source>Формат:</source><translation>Format:</translation></message>
<message id="673"><source>Фрагмент между курсорами</source><translation>Fragment between the cursors</translation></message>
<message id="674"><source>Вся запись</source><translation>Whole recording</translation></message>
<message id="675"><source>Каналы:</source><translation>Channels:</translation></message>
<message id="676"><source>Разделители CSV:</source><translation>CSV separators:</translation></message>
<message id="677"><source>запятая, десятичная точка</source><translation>comma, decimal point</translation></message>
<message id="678"><source>точка с запятой, десятичная запятая</source><translation>semicolon, decimal comma</translation></message>
<message id="679"><source>Столбец времени CSV:</source><translation>CSV time column:</translation></message>
<message id="680"><source>секунды от начала фрагмента</source><translation>seconds from the start of the fragment</translation></message>
<message id="681"><source>дата и время (ISO 8601)</source><translation>date and time (ISO 8601)</translation></message>
<message id="682"><source>нет</source><translation>none</translation></message>
<message id="683"><source>Не отмечено ни одного канала: экспорт не выполнен.</source><translation>No channel is ticked: nothing was exported.</translation></message>
<message id="684"><source>Эта сборка не записывает файлы этого формата: нет библиотеки %1.</source><translation>This build cannot write files of this format: the library %1 is missing.</translation></message>
<message id="685"><source>Канал %1</source><translation>Channel %1</translation></message>
</context>
</TS>
