<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>dialogs_savechas</name>
<message id="SAVECHAS.title"><source>Сохранение каналов</source><translation>Save channels</translation></message>
<message id="SAVECHAS.count"><source>Число каналов</source><translation>Number of channels</translation></message>
<message id="SAVECHAS.number"><source>Номер</source><translation>No.</translation></message>
<message id="SAVECHAS.device"><source>Уст.</source><translation>Dev.</translation></message>
<message id="SAVECHAS.channel"><source>Канал</source><translation>Chan</translation></message>
<message id="SAVECHAS.ranges"><source>Диапазоны min&lt;max</source><translation>Ranges min&lt;max</translation></message>
<message id="SAVECHAS.set"><source>Задать</source><translation>Set</translation></message>
<message id="SAVECHAS.1"><source>OK</source><translation>OK</translation></message>
<message id="SAVECHAS.badlimit"><source>Строка %1: граница диапазона не является числом</source><translation>Row %1: a range limit is not a number</translation></message>
</context>
</TS>
