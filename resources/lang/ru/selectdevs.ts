<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>selectdevs</name>
<message id="SELECTDEVS.title"><source>Выбор устройств</source><translation>Выбор устройств</translation></message>
<message id="SELECTDEVS.label"><source>Сохранить каналы устройств:</source><translation>Сохранить каналы устройств:</translation></message>
<message id="SELECTDEVS.1"><source>Сохранить</source><translation>Сохранить</translation></message>
<message id="SELECTDEVS.device"><source>Устройство %1</source><translation>Устройство %1</translation></message>
</context>
</TS>
