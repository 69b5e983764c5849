<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>strings_filters</name>
<message id="600"><source>&amp;Фильтр...</source><translation>&amp;Filter...</translation></message>
<message id="601"><source>Сетевой режект&amp;ор...</source><translation>Mains &amp;notch...</translation></message>
<message id="602"><source>Удалить смещ&amp;ение и тренд...</source><translation>Remove offset and tr&amp;end...</translation></message>
<message id="603"><source>Фильтр</source><translation>Filter</translation></message>
<message id="604"><source>Тип фильтра</source><translation>Design</translation></message>
<message id="605"><source>Баттерворта</source><translation>Butterworth</translation></message>
<message id="606"><source>Чебышёва I рода</source><translation>Chebyshev type I</translation></message>
<message id="607"><source>Бесселя</source><translation>Bessel</translation></message>
<message id="608"><source>Полоса</source><translation>Band</translation></message>
<message id="609"><source>Нижних частот</source><translation>Low-pass</translation></message>
<message id="610"><source>Верхних частот</source><translation>High-pass</translation></message>
<message id="611"><source>Полосовой</source><translation>Band-pass</translation></message>
<message id="612"><source>Режекторный</source><translation>Band-stop</translation></message>
<message id="613"><source>Порядок</source><translation>Order</translation></message>
<message id="614"><source>Частота среза (нижняя), Гц</source><translation>Cut-off (lower edge), Hz</translation></message>
<message id="615"><source>Верхняя граница полосы, Гц</source><translation>Upper edge of the band, Hz</translation></message>
<message id="616"><source>Неравномерность в полосе пропускания, дБ</source><translation>Pass-band ripple, dB</translation></message>
<message id="617"><source>Нулевая фаза (проход вперёд и назад)</source><translation>Zero phase (forward and backward)</translation></message>
<message id="618"><source>Выполнить</source><translation>Execute</translation></message>
<message id="619"><source>АЧХ, дБ (и фаза, град)</source><translation>Magnitude, dB (and phase, degrees)</translation></message>
<message id="620"><source>Сетевой режекторный фильтр</source><translation>Mains notch</translation></message>
<message id="621"><source>Частота сети, Гц</source><translation>Mains frequency, Hz</translation></message>
<message id="622"><source>Число гармоник</source><translation>Harmonics</translation></message>
<message id="623"><source>Добротность</source><translation>Quality factor</translation></message>
<message id="624"><source>Удаление смещения и тренда</source><translation>Remove offset and trend</translation></message>
<message id="625"><source>Вычесть среднее значение</source><translation>Subtract the mean</translation></message>
<message id="626"><source>Вычесть линейный тренд (метод наименьших квадратов)</source><translation>Subtract the least-squares line</translation></message>
<message id="627"><source>Частота должна быть больше 0 и меньше частоты Найквиста %1 Гц</source><translation>The frequency must be above 0 and below the Nyquist frequency %1 Hz</translation></message>
<message id="628"><source>Нижняя граница полосы должна быть меньше верхней</source><translation>The lower edge of the band must be below the upper edge</translation></message>
<message id="629"><source>Неравномерность должна быть больше 0 и не больше 40 дБ</source><translation>The ripple must be above 0 dB and at most 40 dB</translation></message>
<message id="630"><source>Гармоника %1 Гц не ниже частоты Найквиста %2 Гц</source><translation>The harmonic at %1 Hz is not below the Nyquist frequency %2 Hz</translation></message>
<message id="631"><source>Добротность должна быть числом больше 0</source><translation>The quality factor must be a number above 0</translation></message>
<message id="632"><source>Фрагмент содержит %1 отсчётов; для нулевой фазы нужно больше %2</source><translation>The fragment has %1 samples; the zero-phase filter needs more than %2</translation></message>
</context>
</TS>
