<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>strings_files</name>
<message id="240"><source>нет ошибки</source><translation>нет ошибки</translation></message>
<message id="241"><source>файл или его папка не существует</source><translation>файл или его папка не существует</translation></message>
<message id="242"><source>доступ запрещён</source><translation>доступ запрещён</translation></message>
<message id="243"><source>это папка, а не файл</source><translation>это папка, а не файл</translation></message>
<message id="244"><source>это не обычный файл (канал, сокет или устройство)</source><translation>это не обычный файл (канал, сокет или устройство)</translation></message>
<message id="245"><source>слишком много уровней символических ссылок</source><translation>слишком много уровней символических ссылок</translation></message>
<message id="246"><source>слишком длинный путь</source><translation>слишком длинный путь</translation></message>
<message id="247"><source>файл пуст</source><translation>файл пуст</translation></message>
<message id="248"><source>диск заполнен</source><translation>диск заполнен</translation></message>
<message id="249"><source>файл или диск доступен только для чтения</source><translation>файл или диск доступен только для чтения</translation></message>
<message id="250"><source>система отказала в доступе к файлу</source><translation>система отказала в доступе к файлу</translation></message>
</context>
</TS>
