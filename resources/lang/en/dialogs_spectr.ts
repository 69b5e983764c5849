<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>dialogs_spectr</name>
<message id="SPECTR.title"><source>Спектральный анализ</source><translation>Spectral analysis</translation></message>
<message id="SPECTR.from"><source>Частота(гц) от</source><translation>Frequency (Hz) from</translation></message>
<message id="SPECTR.to"><source>до</source><translation>to</translation></message>
<message id="SPECTR.points"><source>Число точек по частоте</source><translation>Number of frequency points</translation></message>
<message id="SPECTR.1246"><source>БПФ</source><translation>FFT</translation></message>
<message id="SPECTR.window"><source>Окно</source><translation>Window</translation></message>
<message id="SPECTR.1000"><source>Число каналов</source><translation>Number of channels</translation></message>
<message id="SPECTR.number"><source>Номер</source><translation>No.</translation></message>
<message id="SPECTR.device"><source>Уст.</source><translation>Dev.</translation></message>
<message id="SPECTR.channel"><source>Канал</source><translation>Chan</translation></message>
<message id="SPECTR.1"><source>Выполнить</source><translation>Execute</translation></message>
<message id="SPECTR.badlower"><source>Нижняя частота не является числом</source><translation>The lower frequency is not a number</translation></message>
<message id="SPECTR.badupper"><source>Верхняя частота должна быть числом больше нижней</source><translation>The upper frequency must be a number above the lower one</translation></message>
<message id="SPECTR.badpoints"><source>Число точек должно быть от 1 до %1</source><translation>The number of points must be from 1 to %1</translation></message>
<message id="SPECTR.nospan"><source>Курсоры стоят на одном отсчёте: для БПФ нет фрагмента</source><translation>The cursors stand on one sample: there is no fragment for the FFT</translation></message>
</context>
</TS>
