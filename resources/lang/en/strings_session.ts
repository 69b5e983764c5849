<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>strings_session</name>
<message id="570"><source>Путь не полный (не абсолютный)</source><translation>The path is not absolute</translation></message>
<message id="571"><source>Усреднение невозможно: в записи только один отсчёт, усреднять нечего.</source><translation>Averaging is not possible: the recording holds a single sample, there is nothing to average.</translation></message>
<message id="572"><source>Не отмечено ни одного устройства: фрагмент не сохранён.</source><translation>No device is ticked: the fragment was not saved.</translation></message>
<message id="573"><source>Да для всех</source><translation>Yes to all</translation></message>
<message id="574"><source>Нет для всех</source><translation>No to all</translation></message>
<message id="575"><source>файл не открывается</source><translation>the file cannot be opened</translation></message>
<message id="576"><source>это не файл записи (неверная сигнатура)</source><translation>not a recording (wrong signature)</translation></message>
<message id="577"><source>неизвестный тип отсчётов (читаются только типы 1 и 6)</source><translation>unknown sample type (only types 1 and 6 are read)</translation></message>
<message id="578"><source>неверное число каналов (должно быть от 1 до 256)</source><translation>invalid channel count (must be 1 to 256)</translation></message>
<message id="579"><source>неверное число устройств (должно делить число каналов)</source><translation>invalid device count (must divide the channel count)</translation></message>
<message id="580"><source>неверное число описателей каналов карты памяти (должно быть от 1 до 53)</source><translation>invalid SD channel descriptor count (must be 1 to 53)</translation></message>
<message id="581"><source>блок настроек отображения длиннее 8192 байт</source><translation>display settings block longer than 8192 bytes</translation></message>
<message id="582"><source>файл короче своего заголовка</source><translation>the file is shorter than its header</translation></message>
<message id="583"><source>неверная частота отсчётов</source><translation>invalid sampling rate</translation></message>
<message id="584"><source>файл не отображается в память</source><translation>the file cannot be mapped into memory</translation></message>
<message id="585"><source>на карте памяти нет секторов данных</source><translation>the SD image holds no data sectors</translation></message>
<message id="586"><source>первый сектор карты памяти не записан</source><translation>the first sector of the SD image was never written</translation></message>
<message id="587"><source>номера секторов карты памяти не образуют кольцо</source><translation>the SD sector numbers do not form a ring</translation></message>
<message id="588"><source>номера секторов карты памяти охватывают слишком много секторов</source><translation>the SD sector numbers span more sectors than can be mapped</translation></message>
</context>
</TS>
