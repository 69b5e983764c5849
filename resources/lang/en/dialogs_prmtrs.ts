<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>dialogs_prmtrs</name>
<message id="PRMTRS.1066"><source>Все</source><translation>All</translation></message>
<message id="PRMTRS.1067"><source>Очистить</source><translation>Clear</translation></message>
<message id="PRMTRS.1068"><source>Закрыть</source><translation>Close</translation></message>
<message id="PRMTRS.1000"><source>Канал шкалы и курсоров</source><translation>Scale and cursor channel</translation></message>
<message id="PRMTRS.1069"><source>Толщина линии канала</source><translation>Line width of channel</translation></message>
<message id="PRMTRS.1244"><source>Толстая линия</source><translation>Thick line</translation></message>
<message id="PRMTRS.timescale"><source>Шкала времени</source><translation>Time scale</translation></message>
<message id="PRMTRS.1070"><source>Реальное время</source><translation>Real time</translation></message>
<message id="PRMTRS.1071"><source>От начала файла</source><translation>From the start of the file</translation></message>
</context>
</TS>
