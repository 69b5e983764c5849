<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>dialogs_efu</name>
<message id="EFU.label"><source>Номинальная частота,гц</source><translation>Номинальная частота,гц</translation></message>
<message id="EFU.1142"><source>Выполнить</source><translation>Выполнить</translation></message>
<message id="EFU.bad"><source>Номинальная частота должна быть числом больше 0</source><translation>Номинальная частота должна быть числом больше 0</translation></message>
</context>
</TS>
