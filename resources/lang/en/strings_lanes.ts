<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>strings_lanes</name>
<message id="640"><source>&amp;Дорожки</source><translation>La&amp;nes</translation></message>
<message id="641"><source>Дорожки: каждый канал в своей полосе со своей шкалой (Вид › Дорожки)</source><translation>Lanes: each channel in a band of its own with its own scale (View › Lanes)</translation></message>
<message id="642"><source>В дорожках: щелчок выбирает канал дорожки, перетаскивание разделителя меняет высоту двух соседних дорожек, вертикальная полоса прокрутки листает дорожки</source><translation>In lanes: a click selects the lane's channel, dragging a separator resizes the two lanes beside it, the vertical scroll bar scrolls through the lanes</translation></message>
<message id="643"><source>&amp;Подогнать значения</source><translation>&amp;Fit values</translation></message>
<message id="644"><source>Подогнать шкалы всех показанных каналов к их крайним значениям в видимом интервале (с запасом 5 %; только в этом окне)</source><translation>Fit the scale of every shown channel to its extremes in the visible range (5 % margin; this window only)</translation></message>
</context>
</TS>
