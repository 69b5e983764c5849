<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>dialogs_history</name>
<message id="HISTORY.title"><source>История открытия файлов</source><translation>История открытия файлов</translation></message>
</context>
</TS>
