<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>dialogs_savechas</name>
<message id="SAVECHAS.title"><source>Сохранение каналов</source><translation>Сохранение каналов</translation></message>
<message id="SAVECHAS.count"><source>Число каналов</source><translation>Число каналов</translation></message>
<message id="SAVECHAS.number"><source>Номер</source><translation>Номер</translation></message>
<message id="SAVECHAS.device"><source>Уст.</source><translation>Уст.</translation></message>
<message id="SAVECHAS.channel"><source>Канал</source><translation>Канал</translation></message>
<message id="SAVECHAS.ranges"><source>Диапазоны min&lt;max</source><translation>Диапазоны min&lt;max</translation></message>
<message id="SAVECHAS.set"><source>Задать</source><translation>Задать</translation></message>
<message id="SAVECHAS.1"><source>OK</source><translation>OK</translation></message>
<message id="SAVECHAS.badlimit"><source>Строка %1: граница диапазона не является числом</source><translation>Строка %1: граница диапазона не является числом</translation></message>
</context>
</TS>
