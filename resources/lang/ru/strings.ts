<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>strings</name>
<message id="200"><source>Открытие файла данных</source><translation>Открытие файла данных</translation></message>
<message id="201"><source>Файлы данных</source><translation>Файлы данных</translation></message>
<message id="202"><source>Vis Trel — просмотр и обработка записей</source><translation>Vis Trel — просмотр и обработка записей</translation></message>
</context>
</TS>
