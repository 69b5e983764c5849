<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>about</name>
<message id="ABOUT.title"><source>О программе</source><translation>О программе</translation></message>
</context>
</TS>
