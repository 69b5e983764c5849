<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>strings_markers</name>
<message id="780"><source>М&amp;етки</source><translation>М&amp;етки</translation></message>
<message id="781"><source>Метки</source><translation>Метки</translation></message>
<message id="782"><source>Время, с</source><translation>Время, с</translation></message>
<message id="783"><source>Длительность, с</source><translation>Длительность, с</translation></message>
<message id="784"><source>Текст</source><translation>Текст</translation></message>
<message id="785"><source>Метки нельзя записать в файл %1: %2
Они сохранятся в памяти до конца работы программы.</source><translation>Метки нельзя записать в файл %1: %2
Они сохранятся в памяти до конца работы программы.</translation></message>
<message id="786"><source>Файл меток %1 нельзя прочитать: %2
Он не будет перезаписан; новые метки сохранятся только в памяти.</source><translation>Файл меток %1 нельзя прочитать: %2
Он не будет перезаписан; новые метки сохранятся только в памяти.</translation></message>
<message id="787"><source>файл больше 16 МиБ</source><translation>файл больше 16 МиБ</translation></message>
<message id="788"><source>Метка у курсора 1 / участок между курсорами времени (с полем для текста)</source><translation>Метка у курсора 1 / участок между курсорами времени (с полем для текста)</translation></message>
<message id="789"><source>К следующей / предыдущей метке</source><translation>К следующей / предыдущей метке</translation></message>
<message id="790"><source>В списке меток (Вид › Метки): двойной щелчок — перейти к метке, Delete — удалить, F2 — изменить текст</source><translation>В списке меток (Вид › Метки): двойной щелчок — перейти к метке, Delete — удалить, F2 — изменить текст</translation></message>
<message id="791"><source>Текст метки: Enter — добавить, Esc — отменить</source><translation>Текст метки: Enter — добавить, Esc — отменить</translation></message>
</context>
</TS>
