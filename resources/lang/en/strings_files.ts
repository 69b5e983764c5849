<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>strings_files</name>
<message id="240"><source>нет ошибки</source><translation>no problem</translation></message>
<message id="241"><source>файл или его папка не существует</source><translation>the file or its folder does not exist</translation></message>
<message id="242"><source>доступ запрещён</source><translation>permission denied</translation></message>
<message id="243"><source>это папка, а не файл</source><translation>it is a folder, not a file</translation></message>
<message id="244"><source>это не обычный файл (канал, сокет или устройство)</source><translation>it is not a regular file (a pipe, socket or device)</translation></message>
<message id="245"><source>слишком много уровней символических ссылок</source><translation>too many levels of symbolic links</translation></message>
<message id="246"><source>слишком длинный путь</source><translation>the path is too long</translation></message>
<message id="247"><source>файл пуст</source><translation>the file is empty</translation></message>
<message id="248"><source>диск заполнен</source><translation>the disk is full</translation></message>
<message id="249"><source>файл или диск доступен только для чтения</source><translation>the file or the disk is read-only</translation></message>
<message id="250"><source>система отказала в доступе к файлу</source><translation>the system refused access to the file</translation></message>
</context>
</TS>
