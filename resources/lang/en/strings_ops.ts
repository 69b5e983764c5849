<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>strings_ops</name>
<message id="470"><source>Верхняя частота %1 Гц выше половины частоты дискретизации; снижена до %2 Гц</source><translation>The upper frequency %1 Hz is above half the sampling rate; lowered to %2 Hz</translation></message>
<message id="471"><source>Строка %1: строка %2 файла точек %3 не начинается с двух чисел (значение и аргумент)</source><translation>Row %1: line %2 of the points file %3 does not begin with two numbers (value and argument)</translation></message>
<message id="472"><source>Строка %1: в файле точек %2 нет ни одной точки</source><translation>Row %1: the points file %2 holds no point</translation></message>
<message id="473"><source>Строка %1: файл точек %2 не читается: %3</source><translation>Row %1: the points file %2 cannot be read: %3</translation></message>
<message id="474"><source>Строка %1 файла коэффициентов %2 не начинается с номера канала и коэффициента А (канал;А;В); коэффициенты не загружены</source><translation>Line %1 of the coefficient file %2 does not begin with a channel number and factor A (channel;A;B); no coefficients were loaded</translation></message>
<message id="475"><source>нет таблицы: канал копируется</source><translation>no table: the channel is copied</translation></message>
</context>
</TS>
