<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>strings_exportperf</name>
<message id="686"><source>Сжатие HDF5:</source><translation>Сжатие HDF5:</translation></message>
<message id="687"><source>shuffle и deflate (файл меньше)</source><translation>shuffle и deflate (файл меньше)</translation></message>
<message id="688"><source>нет (быстрее; значения можно отобразить в память)</source><translation>нет (быстрее; значения можно отобразить в память)</translation></message>
</context>
</TS>
