<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>strings_lanes</name>
<message id="640"><source>&amp;Дорожки</source><translation>&amp;Дорожки</translation></message>
<message id="641"><source>Дорожки: каждый канал в своей полосе со своей шкалой (Вид › Дорожки)</source><translation>Дорожки: каждый канал в своей полосе со своей шкалой (Вид › Дорожки)</translation></message>
<message id="642"><source>В дорожках: щелчок выбирает канал дорожки, перетаскивание разделителя меняет высоту двух соседних дорожек, вертикальная полоса прокрутки листает дорожки</source><translation>В дорожках: щелчок выбирает канал дорожки, перетаскивание разделителя меняет высоту двух соседних дорожек, вертикальная полоса прокрутки листает дорожки</translation></message>
<message id="643"><source>&amp;Подогнать значения</source><translation>&amp;Подогнать значения</translation></message>
<message id="644"><source>Подогнать шкалы всех показанных каналов к их крайним значениям в видимом интервале (с запасом 5 %; только в этом окне)</source><translation>Подогнать шкалы всех показанных каналов к их крайним значениям в видимом интервале (с запасом 5 %; только в этом окне)</translation></message>
</context>
</TS>
