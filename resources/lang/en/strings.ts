<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>strings</name>
<message id="200"><source>Открытие файла данных</source><translation>Open data file</translation></message>
<message id="201"><source>Файлы данных</source><translation>Data files</translation></message>
<message id="202"><source>Vis Trel — просмотр и обработка записей</source><translation>Vis Trel — recording viewer</translation></message>
</context>
</TS>
