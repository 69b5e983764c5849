<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>strings_checks</name>
<message id="490"><source>Канал %1: коэффициент должен быть конечным числом, не больше 3.4e38 по модулю</source><translation>Channel %1: a coefficient must be a finite number within ±3.4e38</translation></message>
<message id="491"><source>Канал %1: A·X + B на диапазоне канала %2 … %3 выходит за пределы чисел одинарной точности</source><translation>Channel %1: A·X + B over the channel's range %2 … %3 leaves the float range</translation></message>
<message id="492"><source>«%1» — не целое число: введите число без дробной части</source><translation>“%1” is not a whole number: type a number without a fraction</translation></message>
<message id="493"><source>Номинальная частота должна быть больше 0 и не больше половины частоты опроса, %1 Гц</source><translation>The nominal frequency must be above 0 and at most half the sampling rate, %1 Hz</translation></message>
<message id="494"><source>Строка %1: нижняя граница диапазона должна быть меньше верхней</source><translation>Row %1: the lower range limit must be below the upper one</translation></message>
</context>
</TS>
