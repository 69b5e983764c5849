<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>dialogs_prmtrs</name>
<message id="PRMTRS.1066"><source>Все</source><translation>Все</translation></message>
<message id="PRMTRS.1067"><source>Очистить</source><translation>Очистить</translation></message>
<message id="PRMTRS.1068"><source>Закрыть</source><translation>Закрыть</translation></message>
<message id="PRMTRS.1000"><source>Канал шкалы и курсоров</source><translation>Канал шкалы и курсоров</translation></message>
<message id="PRMTRS.1069"><source>Толщина линии канала</source><translation>Толщина линии канала</translation></message>
<message id="PRMTRS.1244"><source>Толстая линия</source><translation>Толстая линия</translation></message>
<message id="PRMTRS.timescale"><source>Шкала времени</source><translation>Шкала времени</translation></message>
<message id="PRMTRS.1070"><source>Реальное время</source><translation>Реальное время</translation></message>
<message id="PRMTRS.1071"><source>От начала файла</source><translation>От начала файла</translation></message>
</context>
</TS>
