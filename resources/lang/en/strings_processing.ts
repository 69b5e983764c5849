<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>strings_processing</name>
<message id="300"><source>Нижняя частота (частота первой строки спектра) должна быть меньше 86400 Гц</source><translation>The lower frequency (the frequency of the first row of the spectrum) must be below 86400 Hz</translation></message>
<message id="301"><source>При этих частотах и числе точек спектр не получит допустимого шага по частоте: расширьте полосу или уменьшите число точек</source><translation>These frequencies and points give the spectrum no usable frequency step: widen the band or use fewer points</translation></message>
<message id="302"><source>Строка %1 файла коэффициентов содержит не число (NaN или бесконечность); коэффициенты не загружены</source><translation>Line %1 of the coefficient file holds no number (NaN or infinity); no coefficients were loaded</translation></message>
<message id="303"><source>Строка %1: в строке %2 файла точек %3 не число (NaN или бесконечность)</source><translation>Row %1: line %2 of the points file %3 holds no number (NaN or infinity)</translation></message>
</context>
</TS>
