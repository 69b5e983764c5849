<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>view</name>
<message id="430"><source>&amp;Вид</source><translation>&amp;View</translation></message>
<message id="431"><source>&amp;Легенда</source><translation>&amp;Legend</translation></message>
<message id="432"><source>&amp;Справка</source><translation>&amp;Help</translation></message>
<message id="433"><source>&amp;Клавиши...</source><translation>&amp;Keys...</translation></message>
<message id="434"><source>Клавиши и мышь</source><translation>Keys and mouse</translation></message>
<message id="435"><source>Клавиши</source><translation>Keys</translation></message>
<message id="436"><source>Действие</source><translation>Action</translation></message>
<message id="437"><source>Сдвиг на одно деление</source><translation>Scroll by one division</translation></message>
<message id="438"><source>Сдвиг на страницу</source><translation>Scroll by a page</translation></message>
<message id="439"><source>К началу / к концу записи</source><translation>To the start / the end of the recording</translation></message>
<message id="440"><source>Увеличить / уменьшить масштаб</source><translation>Zoom in / out</translation></message>
<message id="441"><source>Масштаб вокруг указателя мыши</source><translation>Zoom in / out around the mouse pointer</translation></message>
<message id="442"><source>Вернуть предыдущий масштаб (как правая кнопка)</source><translation>Zoom back (as the right button)</translation></message>
<message id="443"><source>Вся запись</source><translation>The whole recording</translation></message>
<message id="444"><source>Сдвиг по вертикали</source><translation>Scroll vertically</translation></message>
<message id="445"><source>Сдвиг по вертикали колесом</source><translation>Scroll vertically with the wheel</translation></message>
<message id="446"><source>Сдвиг по времени колесом</source><translation>Scroll in time with the wheel</translation></message>
<message id="447"><source>Копировать всю строку показаний</source><translation>Copy the whole read-out line</translation></message>
<message id="448"><source>Открыть запись</source><translation>Open a recording</translation></message>
<message id="449"><source>Закрыть окно</source><translation>Close the window</translation></message>
<message id="450"><source>Выход из программы</source><translation>Exit the program</translation></message>
<message id="451"><source>Эта справка</source><translation>This help</translation></message>
<message id="452"><source>Файлы .kvf, брошенные на окно программы, открываются</source><translation>Dropping .kvf files onto the main window opens them</translation></message>
<message id="453"><source>Выделение рамкой увеличивает; правая кнопка возвращает масштаб</source><translation>Dragging a frame zooms in; the right button zooms back</translation></message>
<message id="454"><source>Курсоры: перетаскивание; двойной щелчок ставит курсор (с Shift — уровня)</source><translation>Cursors: drag them; a double-click places one (with Shift a level cursor)</translation></message>
<message id="455"><source>колесо</source><translation>wheel</translation></message>
<message id="456"><source>мышь</source><translation>mouse</translation></message>
<message id="457"><source>перетаскивание</source><translation>drag and drop</translation></message>
</context>
</TS>
