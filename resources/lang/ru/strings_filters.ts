<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>strings_filters</name>
<message id="600"><source>&amp;Фильтр...</source><translation>&amp;Фильтр...</translation></message>
<message id="601"><source>Сетевой режект&amp;ор...</source><translation>Сетевой режект&amp;ор...</translation></message>
<message id="602"><source>Удалить смещ&amp;ение и тренд...</source><translation>Удалить смещ&amp;ение и тренд...</translation></message>
<message id="603"><source>Фильтр</source><translation>Фильтр</translation></message>
<message id="604"><source>Тип фильтра</source><translation>Тип фильтра</translation></message>
<message id="605"><source>Баттерворта</source><translation>Баттерворта</translation></message>
<message id="606"><source>Чебышёва I рода</source><translation>Чебышёва I рода</translation></message>
<message id="607"><source>Бесселя</source><translation>Бесселя</translation></message>
<message id="608"><source>Полоса</source><translation>Полоса</translation></message>
<message id="609"><source>Нижних частот</source><translation>Нижних частот</translation></message>
<message id="610"><source>Верхних частот</source><translation>Верхних частот</translation></message>
<message id="611"><source>Полосовой</source><translation>Полосовой</translation></message>
<message id="612"><source>Режекторный</source><translation>Режекторный</translation></message>
<message id="613"><source>Порядок</source><translation>Порядок</translation></message>
<message id="614"><source>Частота среза (нижняя), Гц</source><translation>Частота среза (нижняя), Гц</translation></message>
<message id="615"><source>Верхняя граница полосы, Гц</source><translation>Верхняя граница полосы, Гц</translation></message>
<message id="616"><source>Неравномерность в полосе пропускания, дБ</source><translation>Неравномерность в полосе пропускания, дБ</translation></message>
<message id="617"><source>Нулевая фаза (проход вперёд и назад)</source><translation>Нулевая фаза (проход вперёд и назад)</translation></message>
<message id="618"><source>Выполнить</source><translation>Выполнить</translation></message>
<message id="619"><source>АЧХ, дБ (и фаза, град)</source><translation>АЧХ, дБ (и фаза, град)</translation></message>
<message id="620"><source>Сетевой режекторный фильтр</source><translation>Сетевой режекторный фильтр</translation></message>
<message id="621"><source>Частота сети, Гц</source><translation>Частота сети, Гц</translation></message>
<message id="622"><source>Число гармоник</source><translation>Число гармоник</translation></message>
<message id="623"><source>Добротность</source><translation>Добротность</translation></message>
<message id="624"><source>Удаление смещения и тренда</source><translation>Удаление смещения и тренда</translation></message>
<message id="625"><source>Вычесть среднее значение</source><translation>Вычесть среднее значение</translation></message>
<message id="626"><source>Вычесть линейный тренд (метод наименьших квадратов)</source><translation>Вычесть линейный тренд (метод наименьших квадратов)</translation></message>
<message id="627"><source>Частота должна быть больше 0 и меньше частоты Найквиста %1 Гц</source><translation>Частота должна быть больше 0 и меньше частоты Найквиста %1 Гц</translation></message>
<message id="628"><source>Нижняя граница полосы должна быть меньше верхней</source><translation>Нижняя граница полосы должна быть меньше верхней</translation></message>
<message id="629"><source>Неравномерность должна быть больше 0 и не больше 40 дБ</source><translation>Неравномерность должна быть больше 0 и не больше 40 дБ</translation></message>
<message id="630"><source>Гармоника %1 Гц не ниже частоты Найквиста %2 Гц</source><translation>Гармоника %1 Гц не ниже частоты Найквиста %2 Гц</translation></message>
<message id="631"><source>Добротность должна быть числом больше 0</source><translation>Добротность должна быть числом больше 0</translation></message>
<message id="632"><source>Фрагмент содержит %1 отсчётов; для нулевой фазы нужно больше %2</source><translation>Фрагмент содержит %1 отсчётов; для нулевой фазы нужно больше %2</translation></message>
</context>
</TS>
