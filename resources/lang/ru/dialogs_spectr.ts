<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>dialogs_spectr</name>
<message id="SPECTR.title"><source>Спектральный анализ</source><translation>Спектральный анализ</translation></message>
<message id="SPECTR.from"><source>Частота(гц) от</source><translation>Частота(гц) от</translation></message>
<message id="SPECTR.to"><source>до</source><translation>до</translation></message>
<message id="SPECTR.points"><source>Число точек по частоте</source><translation>Число точек по частоте</translation></message>
<message id="SPECTR.1246"><source>БПФ</source><translation>БПФ</translation></message>
<message id="SPECTR.window"><source>Окно</source><translation>Окно</translation></message>
<message id="SPECTR.1000"><source>Число каналов</source><translation>Число каналов</translation></message>
<message id="SPECTR.number"><source>Номер</source><translation>Номер</translation></message>
<message id="SPECTR.device"><source>Уст.</source><translation>Уст.</translation></message>
<message id="SPECTR.channel"><source>Канал</source><translation>Канал</translation></message>
<message id="SPECTR.1"><source>Выполнить</source><translation>Выполнить</translation></message>
<message id="SPECTR.badlower"><source>Нижняя частота не является числом</source><translation>Нижняя частота не является числом</translation></message>
<message id="SPECTR.badupper"><source>Верхняя частота должна быть числом больше нижней</source><translation>Верхняя частота должна быть числом больше нижней</translation></message>
<message id="SPECTR.badpoints"><source>Число точек должно быть от 1 до %1</source><translation>Число точек должно быть от 1 до %1</translation></message>
<message id="SPECTR.nospan"><source>Курсоры стоят на одном отсчёте: для БПФ нет фрагмента</source><translation>Курсоры стоят на одном отсчёте: для БПФ нет фрагмента</translation></message>
</context>
</TS>
