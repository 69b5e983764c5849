<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>strings_recording</name>
<message id="251"><source>Номера секторов SD-карты охватывают слишком много секторов (больше 33554432): образ не может быть прочитан</source><translation>Номера секторов SD-карты охватывают слишком много секторов (больше 33554432): образ не может быть прочитан</translation></message>
<message id="252"><source>Файл изменён на диске другой программой во время чтения: показанные значения могут быть неверны</source><translation>Файл изменён на диске другой программой во время чтения: показанные значения могут быть неверны</translation></message>
</context>
</TS>
