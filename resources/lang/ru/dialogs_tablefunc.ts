<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>dialogs_tablefunc</name>
<message id="TABLEFUNC.title"><source>Табличная функция</source><translation>Табличная функция</translation></message>
<message id="TABLEFUNC.1000"><source>Число выходных каналов</source><translation>Число выходных каналов</translation></message>
<message id="TABLEFUNC.1241"><source>Все таблицы как 1я</source><translation>Все таблицы как 1я</translation></message>
<message id="TABLEFUNC.number"><source>Номер</source><translation>Номер</translation></message>
<message id="TABLEFUNC.device"><source>Уст.</source><translation>Уст.</translation></message>
<message id="TABLEFUNC.channel"><source>Канал</source><translation>Канал</translation></message>
<message id="TABLEFUNC.1"><source>Выполнить</source><translation>Выполнить</translation></message>
<message id="TABLEFUNC.nofile"><source>Строка %1: файл таблицы не найден: %2</source><translation>Строка %1: файл таблицы не найден: %2</translation></message>
</context>
</TS>
