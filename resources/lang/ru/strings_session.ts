<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>strings_session</name>
<message id="570"><source>Путь не полный (не абсолютный)</source><translation>Путь не полный (не абсолютный)</translation></message>
<message id="571"><source>Усреднение невозможно: в записи только один отсчёт, усреднять нечего.</source><translation>Усреднение невозможно: в записи только один отсчёт, усреднять нечего.</translation></message>
<message id="572"><source>Не отмечено ни одного устройства: фрагмент не сохранён.</source><translation>Не отмечено ни одного устройства: фрагмент не сохранён.</translation></message>
<message id="573"><source>Да для всех</source><translation>Да для всех</translation></message>
<message id="574"><source>Нет для всех</source><translation>Нет для всех</translation></message>
<message id="575"><source>файл не открывается</source><translation>файл не открывается</translation></message>
<message id="576"><source>это не файл записи (неверная сигнатура)</source><translation>это не файл записи (неверная сигнатура)</translation></message>
<message id="577"><source>неизвестный тип отсчётов (читаются только типы 1 и 6)</source><translation>неизвестный тип отсчётов (читаются только типы 1 и 6)</translation></message>
<message id="578"><source>неверное число каналов (должно быть от 1 до 256)</source><translation>неверное число каналов (должно быть от 1 до 256)</translation></message>
<message id="579"><source>неверное число устройств (должно делить число каналов)</source><translation>неверное число устройств (должно делить число каналов)</translation></message>
<message id="580"><source>неверное число описателей каналов карты памяти (должно быть от 1 до 53)</source><translation>неверное число описателей каналов карты памяти (должно быть от 1 до 53)</translation></message>
<message id="581"><source>блок настроек отображения длиннее 8192 байт</source><translation>блок настроек отображения длиннее 8192 байт</translation></message>
<message id="582"><source>файл короче своего заголовка</source><translation>файл короче своего заголовка</translation></message>
<message id="583"><source>неверная частота отсчётов</source><translation>неверная частота отсчётов</translation></message>
<message id="584"><source>файл не отображается в память</source><translation>файл не отображается в память</translation></message>
<message id="585"><source>на карте памяти нет секторов данных</source><translation>на карте памяти нет секторов данных</translation></message>
<message id="586"><source>первый сектор карты памяти не записан</source><translation>первый сектор карты памяти не записан</translation></message>
<message id="587"><source>номера секторов карты памяти не образуют кольцо</source><translation>номера секторов карты памяти не образуют кольцо</translation></message>
<message id="588"><source>номера секторов карты памяти охватывают слишком много секторов</source><translation>номера секторов карты памяти охватывают слишком много секторов</translation></message>
</context>
</TS>
