<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>desktop</name>
<message id="400"><source>мкс</source><translation>мкс</translation></message>
<message id="401"><source>мс</source><translation>мс</translation></message>
<message id="402"><source>с</source><translation>с</translation></message>
</context>
</TS>
