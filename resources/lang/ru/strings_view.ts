<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>strings_view</name>
<message id="350"><source>каналы %1–%2</source><translation>каналы %1–%2</translation></message>
</context>
</TS>
