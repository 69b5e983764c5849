<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>strings_lanes2</name>
<message id="645"><source>Подгонять значения &amp;автоматически</source><translation>Подгонять значения &amp;автоматически</translation></message>
<message id="646"><source>Двойной щелчок по шкале дорожки подгоняет шкалу только этого канала (только в этом окне)</source><translation>Двойной щелчок по шкале дорожки подгоняет шкалу только этого канала (только в этом окне)</translation></message>
<message id="647"><source>Курсоры уровня: наведите указатель ближе 4 пикселей и перетащите (Shift не нужен)</source><translation>Курсоры уровня: наведите указатель ближе 4 пикселей и перетащите (Shift не нужен)</translation></message>
<message id="648"><source>Огибающая при плотных &amp;данных</source><translation>Огибающая при плотных &amp;данных</translation></message>
<message id="649"><source>Полосы прокрутки: размер ползунка — видимая доля записи, его место — место вида; ползунок можно перетаскивать</source><translation>Полосы прокрутки: размер ползунка — видимая доля записи, его место — место вида; ползунок можно перетаскивать</translation></message>
</context>
</TS>
