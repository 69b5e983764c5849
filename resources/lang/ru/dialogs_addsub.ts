<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>dialogs_addsub</name>
<message id="ADDSUB.title"><source>Сложение и вычитание каналов</source><translation>Сложение и вычитание каналов</translation></message>
<message id="ADDSUB.1048"><source>Число выходных каналов</source><translation>Число выходных каналов</translation></message>
<message id="ADDSUB.dev1"><source>Уст1.</source><translation>Уст1.</translation></message>
<message id="ADDSUB.chan1"><source>Канал1</source><translation>Канал1</translation></message>
<message id="ADDSUB.dev2"><source>Уст2.</source><translation>Уст2.</translation></message>
<message id="ADDSUB.chan2"><source>Канал2</source><translation>Канал2</translation></message>
<message id="ADDSUB.ranges"><source>Диапазоны min&lt;max</source><translation>Диапазоны min&lt;max</translation></message>
<message id="ADDSUB.own"><source>Задать</source><translation>Задать</translation></message>
<message id="ADDSUB.1"><source>Выполнить</source><translation>Выполнить</translation></message>
<message id="ADDSUB.badlimit"><source>Строка %1: граница диапазона не является числом</source><translation>Строка %1: граница диапазона не является числом</translation></message>
</context>
</TS>
