<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>strings_exportperf</name>
<message id="686"><source>Сжатие HDF5:</source><translation>HDF5 compression:</translation></message>
<message id="687"><source>shuffle и deflate (файл меньше)</source><translation>shuffle and deflate (a smaller file)</translation></message>
<message id="688"><source>нет (быстрее; значения можно отобразить в память)</source><translation>none (faster; the values can be mapped)</translation></message>
</context>
</TS>
