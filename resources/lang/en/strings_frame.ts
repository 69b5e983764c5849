<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>strings_frame</name>
<message id="700"><source>&amp;Окно</source><translation>&amp;Window</translation></message>
<message id="701"><source>&amp;Мозаикой</source><translation>&amp;Tile</translation></message>
<message id="702"><source>&amp;Каскадом</source><translation>&amp;Cascade</translation></message>
<message id="703"><source>&amp;Связать время</source><translation>&amp;Link time</translation></message>
<message id="704"><source>Панель &amp;инструментов</source><translation>&amp;Toolbar</translation></message>
<message id="705"><source>&amp;Увеличить</source><translation>Zoom &amp;in</translation></message>
<message id="706"><source>У&amp;меньшить</source><translation>Zoom &amp;out</translation></message>
<message id="707"><source>Вся &amp;запись</source><translation>&amp;Whole recording</translation></message>
<message id="708"><source>&amp;Назад к прежнему виду</source><translation>Zoom &amp;back</translation></message>
<message id="709"><source>&amp;Курсоры в видимый интервал</source><translation>&amp;Cursors to the view</translation></message>
<message id="710"><source>Открыть запись (Ctrl+O)</source><translation>Open a recording (Ctrl+O)</translation></message>
<message id="711"><source>Увеличить по времени (+)</source><translation>Zoom in on time (+)</translation></message>
<message id="712"><source>Уменьшить по времени (-)</source><translation>Zoom out in time (-)</translation></message>
<message id="713"><source>Вся запись, без вертикального увеличения (F)</source><translation>The whole recording, vertical zoom reset (F)</translation></message>
<message id="714"><source>Назад к прежнему виду (Backspace)</source><translation>Back to the previous view (Backspace)</translation></message>
<message id="715"><source>Каждый канал в своей дорожке со своей шкалой (L)</source><translation>Each channel in a lane of its own with its own scale (L)</translation></message>
<message id="716"><source>Подогнать шкалы к значениям видимого интервала (Y)</source><translation>Fit the scales to the values of the visible range (Y)</translation></message>
<message id="717"><source>Минимум и максимум каждого столбца</source><translation>Minimum and maximum of each column</translation></message>
<message id="718"><source>Легенда: показанные каналы и их диапазоны</source><translation>Legend: the shown channels and their ranges</translation></message>
<message id="719"><source>Связать окна по времени суток: вид и курсоры времени следуют друг за другом</source><translation>Link the windows by clock time: views and time cursors follow each other</translation></message>
<message id="720"><source>Поставить курсоры времени в видимый интервал</source><translation>Put the time cursors into the visible range</translation></message>
<message id="721"><source>Перейти ко времени и нажать Enter: время суток (08:16:47,25), дата и время (2026-12-08T08:16:47,25) или секунды от начала записи (12,5)</source><translation>Go to a time, then press Enter: a clock time (08:16:47.25), a date and time (2026-12-08T08:16:47.25) or seconds from the start (12.5)</translation></message>
<message id="722"><source>Перейти ко времени</source><translation>Go to time</translation></message>
<message id="723"><source>«%1» — не время.
Введите время суток (08:16:47,25), дату и время (2026-12-08T08:16:47,25) или секунды от начала записи (12,5).</source><translation>&quot;%1&quot; is not a time.
Enter a clock time (08:16:47.25), a date and time (2026-12-08T08:16:47.25) or seconds from the start of the recording (12.5).</translation></message>
<message id="724"><source>Время «%1» лежит вне записи (она длится %2 с).</source><translation>The time &quot;%1&quot; lies outside the recording (it lasts %2 s).</translation></message>
<message id="725"><source>Панель инструментов</source><translation>Toolbar</translation></message>
<message id="726"><source>,</source><translation>.</translation></message>
</context>
</TS>
