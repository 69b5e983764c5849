<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>dialogs_tablefunc</name>
<message id="TABLEFUNC.title"><source>Табличная функция</source><translation>Table function</translation></message>
<message id="TABLEFUNC.1000"><source>Число выходных каналов</source><translation>Number of output channels</translation></message>
<message id="TABLEFUNC.1241"><source>Все таблицы как 1я</source><translation>All tables as the 1st</translation></message>
<message id="TABLEFUNC.number"><source>Номер</source><translation>No.</translation></message>
<message id="TABLEFUNC.device"><source>Уст.</source><translation>Dev.</translation></message>
<message id="TABLEFUNC.channel"><source>Канал</source><translation>Chan</translation></message>
<message id="TABLEFUNC.1"><source>Выполнить</source><translation>Execute</translation></message>
<message id="TABLEFUNC.nofile"><source>Строка %1: файл таблицы не найден: %2</source><translation>Row %1: table file not found: %2</translation></message>
</context>
</TS>
