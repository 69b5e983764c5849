<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>cancel</name>
<message id="460"><source>Отмена</source><translation>Отмена</translation></message>
<message id="461"><source>Остановка…</source><translation>Остановка…</translation></message>
</context>
</TS>
