<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>strings_export</name>
<message id="670"><source>&amp;Экспорт...</source><translation>&amp;Экспорт...</translation></message>
<message id="671"><source>Экспорт</source><translation>Экспорт</translation></message>
<message id="672"><source>Формат:</source><translation>Формат:</translation></message>
<message id="673"><source>Фрагмент между курсорами</source><translation>Фрагмент между курсорами</translation></message>
<message id="674"><source>Вся запись</source><translation>Вся запись</translation></message>
<message id="675"><source>Каналы:</source><translation>Каналы:</translation></message>
<message id="676"><source>Разделители CSV:</source><translation>Разделители CSV:</translation></message>
<message id="677"><source>запятая, десятичная точка</source><translation>запятая, десятичная точка</translation></message>
<message id="678"><source>точка с запятой, десятичная запятая</source><translation>точка с запятой, десятичная запятая</translation></message>
<message id="679"><source>Столбец времени CSV:</source><translation>Столбец времени CSV:</translation></message>
<message id="680"><source>секунды от начала фрагмента</source><translation>секунды от начала фрагмента</translation></message>
<message id="681"><source>дата и время (ISO 8601)</source><translation>дата и время (ISO 8601)</translation></message>
<message id="682"><source>нет</source><translation>нет</translation></message>
<message id="683"><source>Не отмечено ни одного канала: экспорт не выполнен.</source><translation>Не отмечено ни одного канала: экспорт не выполнен.</translation></message>
<message id="684"><source>Эта сборка не записывает файлы этого формата: нет библиотеки %1.</source><translation>Эта сборка не записывает файлы этого формата: нет библиотеки %1.</translation></message>
<message id="685"><source>Канал %1</source><translation>Канал %1</translation></message>
</context>
</TS>
