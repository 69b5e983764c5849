<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>strings_frame</name>
<message id="700"><source>&amp;Окно</source><translation>&amp;Окно</translation></message>
<message id="701"><source>&amp;Мозаикой</source><translation>&amp;Мозаикой</translation></message>
<message id="702"><source>&amp;Каскадом</source><translation>&amp;Каскадом</translation></message>
<message id="703"><source>&amp;Связать время</source><translation>&amp;Связать время</translation></message>
<message id="704"><source>Панель &amp;инструментов</source><translation>Панель &amp;инструментов</translation></message>
<message id="705"><source>&amp;Увеличить</source><translation>&amp;Увеличить</translation></message>
<message id="706"><source>У&amp;меньшить</source><translation>У&amp;меньшить</translation></message>
<message id="707"><source>Вся &amp;запись</source><translation>Вся &amp;запись</translation></message>
<message id="708"><source>&amp;Назад к прежнему виду</source><translation>&amp;Назад к прежнему виду</translation></message>
<message id="709"><source>&amp;Курсоры в видимый интервал</source><translation>&amp;Курсоры в видимый интервал</translation></message>
<message id="710"><source>Открыть запись (Ctrl+O)</source><translation>Открыть запись (Ctrl+O)</translation></message>
<message id="711"><source>Увеличить по времени (+)</source><translation>Увеличить по времени (+)</translation></message>
<message id="712"><source>Уменьшить по времени (-)</source><translation>Уменьшить по времени (-)</translation></message>
<message id="713"><source>Вся запись, без вертикального увеличения (F)</source><translation>Вся запись, без вертикального увеличения (F)</translation></message>
<message id="714"><source>Назад к прежнему виду (Backspace)</source><translation>Назад к прежнему виду (Backspace)</translation></message>
<message id="715"><source>Каждый канал в своей дорожке со своей шкалой (L)</source><translation>Каждый канал в своей дорожке со своей шкалой (L)</translation></message>
<message id="716"><source>Подогнать шкалы к значениям видимого интервала (Y)</source><translation>Подогнать шкалы к значениям видимого интервала (Y)</translation></message>
<message id="717"><source>Минимум и максимум каждого столбца</source><translation>Минимум и максимум каждого столбца</translation></message>
<message id="718"><source>Легенда: показанные каналы и их диапазоны</source><translation>Легенда: показанные каналы и их диапазоны</translation></message>
<message id="719"><source>Связать окна по времени суток: вид и курсоры времени следуют друг за другом</source><translation>Связать окна по времени суток: вид и курсоры времени следуют друг за другом</translation></message>
<message id="720"><source>Поставить курсоры времени в видимый интервал</source><translation>Поставить курсоры времени в видимый интервал</translation></message>
<message id="721"><source>Перейти ко времени и нажать Enter: время суток (08:16:47,25), дата и время (2026-12-08T08:16:47,25) или секунды от начала записи (12,5)</source><translation>Перейти ко времени и нажать Enter: время суток (08:16:47,25), дата и время (2026-12-08T08:16:47,25) или секунды от начала записи (12,5)</translation></message>
<message id="722"><source>Перейти ко времени</source><translation>Перейти ко времени</translation></message>
<message id="723"><source>«%1» — не время.
Введите время суток (08:16:47,25), дату и время (2026-12-08T08:16:47,25) или секунды от начала записи (12,5).</source><translation>«%1» — не время.
Введите время суток (08:16:47,25), дату и время (2026-12-08T08:16:47,25) или секунды от начала записи (12,5).</translation></message>
<message id="724"><source>Время «%1» лежит вне записи (она длится %2 с).</source><translation>Время «%1» лежит вне записи (она длится %2 с).</translation></message>
<message id="725"><source>Панель инструментов</source><translation>Панель инструментов</translation></message>
<message id="726"><source>,</source><translation>,</translation></message>
</context>
</TS>
