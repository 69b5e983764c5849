<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>strings_looks</name>
<message id="900"><source>&amp;Цвета</source><translation>&amp;Colours</translation></message>
<message id="901"><source>Как в &amp;системе</source><translation>&amp;System</translation></message>
<message id="902"><source>&amp;Светлые</source><translation>&amp;Light</translation></message>
<message id="903"><source>&amp;Тёмные</source><translation>&amp;Dark</translation></message>
</context>
</TS>
