<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>selectdevs</name>
<message id="SELECTDEVS.title"><source>Выбор устройств</source><translation>Choose devices</translation></message>
<message id="SELECTDEVS.label"><source>Сохранить каналы устройств:</source><translation>Save the channels of the devices:</translation></message>
<message id="SELECTDEVS.1"><source>Сохранить</source><translation>Save</translation></message>
<message id="SELECTDEVS.device"><source>Устройство %1</source><translation>Device %1</translation></message>
</context>
</TS>
