<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>persent</name>
<message id="PERSENT.title"><source>Выполнение</source><translation>Progress</translation></message>
<message id="PERSENT.percent"><source>%</source><translation>%</translation></message>
</context>
</TS>
