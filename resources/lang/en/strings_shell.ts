<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>strings_shell</name>
<message id="320"><source>Файл настроек «Vistrel.cfg» не читается: %1. Программа запущена с настройками по умолчанию и не изменит этот файл.</source><translation>The settings file "Vistrel.cfg" cannot be read: %1. The program starts with default settings and leaves that file as it is.</translation></message>
<message id="321"><source>Не удалось восстановить окна этих файлов:</source><translation>The windows of these files could not be restored:</translation></message>
<message id="322"><source>Путь к файлу содержит перевод строки; такой файл открыть нельзя. Переименуйте его.</source><translation>The file's path contains a line break; such a file cannot be opened. Rename it.</translation></message>
<message id="323"><source>Файл изменён на диске. Перечитать его? (Нет — закрыть окно.)</source><translation>The file has changed on disk. Reload it? (No closes the window.)</translation></message>
<message id="324"><source>Файл изменён на диске; перечитайте его (Файл › Перечитать) перед обработкой.</source><translation>The file has changed on disk; reload it (File › Reload) before processing it.</translation></message>
<message id="325"><source>Файл не открыт:</source><translation>The file is not opened:</translation></message>
<message id="32801"><source>Пере&amp;читать</source><translation>&amp;Reload</translation></message>
</context>
</TS>
