<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>strings_markers</name>
<message id="780"><source>М&amp;етки</source><translation>&amp;Markers</translation></message>
<message id="781"><source>Метки</source><translation>Markers</translation></message>
<message id="782"><source>Время, с</source><translation>Time, s</translation></message>
<message id="783"><source>Длительность, с</source><translation>Duration, s</translation></message>
<message id="784"><source>Текст</source><translation>Text</translation></message>
<message id="785"><source>Метки нельзя записать в файл %1: %2
Они сохранятся в памяти до конца работы программы.</source><translation>The markers cannot be written to %1: %2
They are kept in memory until the program ends.</translation></message>
<message id="786"><source>Файл меток %1 нельзя прочитать: %2
Он не будет перезаписан; новые метки сохранятся только в памяти.</source><translation>The markers file %1 cannot be read: %2
It will not be written over; new markers are kept in memory only.</translation></message>
<message id="787"><source>файл больше 16 МиБ</source><translation>the file is larger than 16 MiB</translation></message>
<message id="788"><source>Метка у курсора 1 / участок между курсорами времени (с полем для текста)</source><translation>A marker at time cursor 1 / a span between the time cursors (with a text field)</translation></message>
<message id="789"><source>К следующей / предыдущей метке</source><translation>Jump to the next / previous marker</translation></message>
<message id="790"><source>В списке меток (Вид › Метки): двойной щелчок — перейти к метке, Delete — удалить, F2 — изменить текст</source><translation>In the markers list (View › Markers): double-click jumps there, Delete removes, F2 edits the text</translation></message>
<message id="791"><source>Текст метки: Enter — добавить, Esc — отменить</source><translation>Marker text: Enter adds, Esc cancels</translation></message>
</context>
</TS>
