<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>strings_looks</name>
<message id="900"><source>&amp;Цвета</source><translation>&amp;Цвета</translation></message>
<message id="901"><source>Как в &amp;системе</source><translation>Как в &amp;системе</translation></message>
<message id="902"><source>&amp;Светлые</source><translation>&amp;Светлые</translation></message>
<message id="903"><source>&amp;Тёмные</source><translation>&amp;Тёмные</translation></message>
</context>
</TS>
