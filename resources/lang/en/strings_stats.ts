<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>strings_stats</name>
<message id="740"><source>С&amp;татистика</source><translation>&amp;Statistics</translation></message>
<message id="741"><source>Статистика</source><translation>Statistics</translation></message>
<message id="742"><source>Между курсорами</source><translation>Between the cursors</translation></message>
<message id="743"><source>Видимый интервал</source><translation>Visible range</translation></message>
<message id="744"><source>Копировать</source><translation>Copy</translation></message>
<message id="745"><source>Канал</source><translation>Channel</translation></message>
<message id="746"><source>Отсчётов</source><translation>Count</translation></message>
<message id="747"><source>Нечисловых</source><translation>Non-finite</translation></message>
<message id="748"><source>Минимум</source><translation>Minimum</translation></message>
<message id="749"><source>Отсчёт минимума</source><translation>Minimum at</translation></message>
<message id="750"><source>Максимум</source><translation>Maximum</translation></message>
<message id="751"><source>Отсчёт максимума</source><translation>Maximum at</translation></message>
<message id="752"><source>Среднее</source><translation>Mean</translation></message>
<message id="753"><source>СКЗ</source><translation>RMS</translation></message>
<message id="754"><source>СКО</source><translation>Std. deviation</translation></message>
<message id="755"><source>Размах</source><translation>Peak-to-peak</translation></message>
<message id="756"><source>Среднее модуля</source><translation>Mean of |x|</translation></message>
<message id="757"><source>Частота, Гц</source><translation>Frequency, Hz</translation></message>
<message id="758"><source>Курсор времени 1 к следующему / предыдущему пересечению уровня курсора 1 выбранным каналом снизу вверх</source><translation>Time cursor 1 to the next / previous upward crossing of level cursor 1 by the selected channel</translation></message>
</context>
</TS>
