<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>strings_recording</name>
<message id="251"><source>Номера секторов SD-карты охватывают слишком много секторов (больше 33554432): образ не может быть прочитан</source><translation>The SD card's sector numbers span too many sectors (more than 33554432): the image cannot be read</translation></message>
<message id="252"><source>Файл изменён на диске другой программой во время чтения: показанные значения могут быть неверны</source><translation>The file was changed on disk by another program while it was read: the values shown may be wrong</translation></message>
</context>
</TS>
