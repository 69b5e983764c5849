<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>strings_results</name>
<message id="270"><source>Не удаётся создать файл результата</source><translation>Cannot create the result file</translation></message>
<message id="271"><source>Ошибка записи файла результата; ничего не сохранено</source><translation>Writing the result file failed; nothing was kept</translation></message>
<message id="272"><source>Результат заменил бы исходную запись</source><translation>The result would replace its own source recording</translation></message>
<message id="273"><source>Не удаётся заменить файл</source><translation>Cannot replace the file</translation></message>
</context>
</TS>
