<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>cancel</name>
<message id="460"><source>Отмена</source><translation>Cancel</translation></message>
<message id="461"><source>Остановка…</source><translation>Stopping…</translation></message>
</context>
</TS>
