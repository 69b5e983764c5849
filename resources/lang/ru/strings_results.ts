<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>strings_results</name>
<message id="270"><source>Не удаётся создать файл результата</source><translation>Не удаётся создать файл результата</translation></message>
<message id="271"><source>Ошибка записи файла результата; ничего не сохранено</source><translation>Ошибка записи файла результата; ничего не сохранено</translation></message>
<message id="272"><source>Результат заменил бы исходную запись</source><translation>Результат заменил бы исходную запись</translation></message>
<message id="273"><source>Не удаётся заменить файл</source><translation>Не удаётся заменить файл</translation></message>
</context>
</TS>
