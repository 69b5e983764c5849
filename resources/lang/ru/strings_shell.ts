<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>strings_shell</name>
<message id="320"><source>Файл настроек «Vistrel.cfg» не читается: %1. Программа запущена с настройками по умолчанию и не изменит этот файл.</source><translation>Файл настроек «Vistrel.cfg» не читается: %1. Программа запущена с настройками по умолчанию и не изменит этот файл.</translation></message>
<message id="321"><source>Не удалось восстановить окна этих файлов:</source><translation>Не удалось восстановить окна этих файлов:</translation></message>
<message id="322"><source>Путь к файлу содержит перевод строки; такой файл открыть нельзя. Переименуйте его.</source><translation>Путь к файлу содержит перевод строки; такой файл открыть нельзя. Переименуйте его.</translation></message>
<message id="323"><source>Файл изменён на диске. Перечитать его? (Нет — закрыть окно.)</source><translation>Файл изменён на диске. Перечитать его? (Нет — закрыть окно.)</translation></message>
<message id="324"><source>Файл изменён на диске; перечитайте его (Файл › Перечитать) перед обработкой.</source><translation>Файл изменён на диске; перечитайте его (Файл › Перечитать) перед обработкой.</translation></message>
<message id="325"><source>Файл не открыт:</source><translation>Файл не открыт:</translation></message>
<message id="32801"><source>Пере&amp;читать</source><translation>Пере&amp;читать</translation></message>
</context>
</TS>
