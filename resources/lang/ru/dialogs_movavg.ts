<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>dialogs_movavg</name>
<message id="MOVAVG.label"><source>Коэффициент осреднения</source><translation>Коэффициент осреднения</translation></message>
<message id="MOVAVG.1"><source>OK</source><translation>OK</translation></message>
<message id="MOVAVG.bad"><source>Коэффициент осреднения должен быть целым числом не меньше 2</source><translation>Коэффициент осреднения должен быть целым числом не меньше 2</translation></message>
</context>
</TS>
