<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>dialogs_axb</name>
<message id="AXB.chan"><source>Канал</source><translation>Chan</translation></message>
<message id="AXB.a"><source>Коэф.А</source><translation>Coef.A</translation></message>
<message id="AXB.b"><source>Коэф.B</source><translation>Coef.B</translation></message>
<message id="AXB.1136"><source>Все как</source><translation>All as</translation></message>
<message id="AXB.3"><source>Очистить</source><translation>Clear</translation></message>
<message id="AXB.4"><source>Открыть</source><translation>Open</translation></message>
<message id="AXB.1137"><source>Сохранить</source><translation>Save</translation></message>
<message id="AXB.1138"><source>Выполнить</source><translation>Execute</translation></message>
<message id="AXB.savefailed"><source>Не удалось записать файл коэффициентов: %1</source><translation>The coefficient file cannot be written: %1</translation></message>
<message id="AXB.badcoeff"><source>Канал %1: коэффициент не является числом</source><translation>Channel %1: a coefficient is not a number</translation></message>
</context>
</TS>
