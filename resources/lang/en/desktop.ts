<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>desktop</name>
<message id="400"><source>мкс</source><translation>µs</translation></message>
<message id="401"><source>мс</source><translation>ms</translation></message>
<message id="402"><source>с</source><translation>s</translation></message>
</context>
</TS>
