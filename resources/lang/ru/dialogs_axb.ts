<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>dialogs_axb</name>
<message id="AXB.chan"><source>Канал</source><translation>Канал</translation></message>
<message id="AXB.a"><source>Коэф.А</source><translation>Коэф.А</translation></message>
<message id="AXB.b"><source>Коэф.B</source><translation>Коэф.B</translation></message>
<message id="AXB.1136"><source>Все как</source><translation>Все как</translation></message>
<message id="AXB.3"><source>Очистить</source><translation>Очистить</translation></message>
<message id="AXB.4"><source>Открыть</source><translation>Открыть</translation></message>
<message id="AXB.1137"><source>Сохранить</source><translation>Сохранить</translation></message>
<message id="AXB.1138"><source>Выполнить</source><translation>Выполнить</translation></message>
<message id="AXB.savefailed"><source>Не удалось записать файл коэффициентов: %1</source><translation>Не удалось записать файл коэффициентов: %1</translation></message>
<message id="AXB.badcoeff"><source>Канал %1: коэффициент не является числом</source><translation>Канал %1: коэффициент не является числом</translation></message>
</context>
</TS>
