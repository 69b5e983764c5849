<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>strings_lanes2</name>
<message id="645"><source>Подгонять значения &amp;автоматически</source><translation>Fit values &amp;automatically</translation></message>
<message id="646"><source>Двойной щелчок по шкале дорожки подгоняет шкалу только этого канала (только в этом окне)</source><translation>A double-click on a lane's value scale fits that lane only (this window only)</translation></message>
<message id="647"><source>Курсоры уровня: наведите указатель ближе 4 пикселей и перетащите (Shift не нужен)</source><translation>Level cursors: point within 4 px of one and drag it (no Shift needed)</translation></message>
<message id="648"><source>Огибающая при плотных &amp;данных</source><translation>&amp;Envelope when dense</translation></message>
<message id="649"><source>Полосы прокрутки: размер ползунка — видимая доля записи, его место — место вида; ползунок можно перетаскивать</source><translation>Scroll bars: the thumb's size is the visible share of the recording and its place the view's; drag it to move the view</translation></message>
</context>
</TS>
