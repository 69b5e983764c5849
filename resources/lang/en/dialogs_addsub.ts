<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>dialogs_addsub</name>
<message id="ADDSUB.title"><source>Сложение и вычитание каналов</source><translation>Adding and subtracting channels</translation></message>
<message id="ADDSUB.1048"><source>Число выходных каналов</source><translation>Number of output channels</translation></message>
<message id="ADDSUB.dev1"><source>Уст1.</source><translation>Dev1</translation></message>
<message id="ADDSUB.chan1"><source>Канал1</source><translation>Chan1</translation></message>
<message id="ADDSUB.dev2"><source>Уст2.</source><translation>Dev2</translation></message>
<message id="ADDSUB.chan2"><source>Канал2</source><translation>Chan2</translation></message>
<message id="ADDSUB.ranges"><source>Диапазоны min&lt;max</source><translation>Ranges min&lt;max</translation></message>
<message id="ADDSUB.own"><source>Задать</source><translation>Set</translation></message>
<message id="ADDSUB.1"><source>Выполнить</source><translation>Execute</translation></message>
<message id="ADDSUB.badlimit"><source>Строка %1: граница диапазона не является числом</source><translation>Row %1: a range limit is not a number</translation></message>
</context>
</TS>
