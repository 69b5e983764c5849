<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>dialogs_efu</name>
<message id="EFU.label"><source>Номинальная частота,гц</source><translation>Nominal frequency, Hz</translation></message>
<message id="EFU.1142"><source>Выполнить</source><translation>Execute</translation></message>
<message id="EFU.bad"><source>Номинальная частота должна быть числом больше 0</source><translation>The nominal frequency must be a number above 0</translation></message>
</context>
</TS>
