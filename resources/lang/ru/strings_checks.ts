<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>strings_checks</name>
<message id="490"><source>Канал %1: коэффициент должен быть конечным числом, не больше 3.4e38 по модулю</source><translation>Канал %1: коэффициент должен быть конечным числом, не больше 3.4e38 по модулю</translation></message>
<message id="491"><source>Канал %1: A·X + B на диапазоне канала %2 … %3 выходит за пределы чисел одинарной точности</source><translation>Канал %1: A·X + B на диапазоне канала %2 … %3 выходит за пределы чисел одинарной точности</translation></message>
<message id="492"><source>«%1» — не целое число: введите число без дробной части</source><translation>«%1» — не целое число: введите число без дробной части</translation></message>
<message id="493"><source>Номинальная частота должна быть больше 0 и не больше половины частоты опроса, %1 Гц</source><translation>Номинальная частота должна быть больше 0 и не больше половины частоты опроса, %1 Гц</translation></message>
<message id="494"><source>Строка %1: нижняя граница диапазона должна быть меньше верхней</source><translation>Строка %1: нижняя граница диапазона должна быть меньше верхней</translation></message>
</context>
</TS>
