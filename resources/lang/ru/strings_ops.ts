<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>strings_ops</name>
<message id="470"><source>Верхняя частота %1 Гц выше половины частоты дискретизации; снижена до %2 Гц</source><translation>Верхняя частота %1 Гц выше половины частоты дискретизации; снижена до %2 Гц</translation></message>
<message id="471"><source>Строка %1: строка %2 файла точек %3 не начинается с двух чисел (значение и аргумент)</source><translation>Строка %1: строка %2 файла точек %3 не начинается с двух чисел (значение и аргумент)</translation></message>
<message id="472"><source>Строка %1: в файле точек %2 нет ни одной точки</source><translation>Строка %1: в файле точек %2 нет ни одной точки</translation></message>
<message id="473"><source>Строка %1: файл точек %2 не читается: %3</source><translation>Строка %1: файл точек %2 не читается: %3</translation></message>
<message id="474"><source>Строка %1 файла коэффициентов %2 не начинается с номера канала и коэффициента А (канал;А;В); коэффициенты не загружены</source><translation>Строка %1 файла коэффициентов %2 не начинается с номера канала и коэффициента А (канал;А;В); коэффициенты не загружены</translation></message>
<message id="475"><source>нет таблицы: канал копируется</source><translation>нет таблицы: канал копируется</translation></message>
</context>
</TS>
