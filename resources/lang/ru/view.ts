<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>view</name>
<message id="430"><source>&amp;Вид</source><translation>&amp;Вид</translation></message>
<message id="431"><source>&amp;Легенда</source><translation>&amp;Легенда</translation></message>
<message id="432"><source>&amp;Справка</source><translation>&amp;Справка</translation></message>
<message id="433"><source>&amp;Клавиши...</source><translation>&amp;Клавиши...</translation></message>
<message id="434"><source>Клавиши и мышь</source><translation>Клавиши и мышь</translation></message>
<message id="435"><source>Клавиши</source><translation>Клавиши</translation></message>
<message id="436"><source>Действие</source><translation>Действие</translation></message>
<message id="437"><source>Сдвиг на одно деление</source><translation>Сдвиг на одно деление</translation></message>
<message id="438"><source>Сдвиг на страницу</source><translation>Сдвиг на страницу</translation></message>
<message id="439"><source>К началу / к концу записи</source><translation>К началу / к концу записи</translation></message>
<message id="440"><source>Увеличить / уменьшить масштаб</source><translation>Увеличить / уменьшить масштаб</translation></message>
<message id="441"><source>Масштаб вокруг указателя мыши</source><translation>Масштаб вокруг указателя мыши</translation></message>
<message id="442"><source>Вернуть предыдущий масштаб (как правая кнопка)</source><translation>Вернуть предыдущий масштаб (как правая кнопка)</translation></message>
<message id="443"><source>Вся запись</source><translation>Вся запись</translation></message>
<message id="444"><source>Сдвиг по вертикали</source><translation>Сдвиг по вертикали</translation></message>
<message id="445"><source>Сдвиг по вертикали колесом</source><translation>Сдвиг по вертикали колесом</translation></message>
<message id="446"><source>Сдвиг по времени колесом</source><translation>Сдвиг по времени колесом</translation></message>
<message id="447"><source>Копировать всю строку показаний</source><translation>Копировать всю строку показаний</translation></message>
<message id="448"><source>Открыть запись</source><translation>Открыть запись</translation></message>
<message id="449"><source>Закрыть окно</source><translation>Закрыть окно</translation></message>
<message id="450"><source>Выход из программы</source><translation>Выход из программы</translation></message>
<message id="451"><source>Эта справка</source><translation>Эта справка</translation></message>
<message id="452"><source>Файлы .kvf, брошенные на окно программы, открываются</source><translation>Файлы .kvf, брошенные на окно программы, открываются</translation></message>
<message id="453"><source>Выделение рамкой увеличивает; правая кнопка возвращает масштаб</source><translation>Выделение рамкой увеличивает; правая кнопка возвращает масштаб</translation></message>
<message id="454"><source>Курсоры: перетаскивание; двойной щелчок ставит курсор (с Shift — уровня)</source><translation>Курсоры: перетаскивание; двойной щелчок ставит курсор (с Shift — уровня)</translation></message>
<message id="455"><source>колесо</source><translation>колесо</translation></message>
<message id="456"><source>мышь</source><translation>мышь</translation></message>
<message id="457"><source>перетаскивание</source><translation>перетаскивание</translation></message>
</context>
</TS>
