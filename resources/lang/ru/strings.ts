<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>strings</name>
<message id="200"><source>Открытие файла данных</source><translation>Открытие файла данных</translation></message>
<message id="201"><source>Файлы данных</source><translation>Файлы данных</translation></message>
<message id="202"><source>Vis Trel — просмотр и обработка записей</source><translation>Vis Trel — просмотр и обработка записей</translation></message>
<message id="203"><source>Линейное преобразование Y = A·X + B</source><translation>Линейное преобразование Y = A·X + B</translation></message>
<message id="204"><source>Обработка...</source><translation>Обработка...</translation></message>
<message id="205"><source>Скользящее среднее</source><translation>Скользящее среднее</translation></message>
<message id="206"><source>Усреднение</source><translation>Усреднение</translation></message>
<message id="207"><source>Усреднение...</source><translation>Усреднение...</translation></message>
<message id="208"><source>Сохранить фрагмент как</source><translation>Сохранить фрагмент как</translation></message>
<message id="209"><source>Текстовые таблицы</source><translation>Текстовые таблицы</translation></message>
<message id="210"><source>Недопустимый файл для записи</source><translation>Недопустимый файл для записи</translation></message>
<message id="211"><source>Завершить работу программы?</source><translation>Завершить работу программы?</translation></message>
<message id="212"><source>Сохранение фрагмента...</source><translation>Сохранение фрагмента...</translation></message>
<message id="213"><source>Не удалось открыть файл записи</source><translation>Не удалось открыть файл записи</translation></message>
<message id="214"><source>Ошибка</source><translation>Ошибка</translation></message>
<message id="215"><source>— временный файл результата будет удалён. Закрыть окно?</source><translation>— временный файл результата будет удалён. Закрыть окно?</translation></message>
<message id="216"><source>Среднеквадратичное значение (RMS)</source><translation>Среднеквадратичное значение (RMS)</translation></message>
<message id="217"><source>Загрузка коэффициентов</source><translation>Загрузка коэффициентов</translation></message>
<message id="218"><source>Сохранение коэффициентов</source><translation>Сохранение коэффициентов</translation></message>
<message id="219"><source>Файл уже существует. Заменить его?</source><translation>Файл уже существует. Заменить его?</translation></message>
<message id="220"><source>Выбранный файл не является файлом коэффициентов</source><translation>Выбранный файл не является файлом коэффициентов</translation></message>
<message id="221"><source>Файл не найден</source><translation>Файл не найден</translation></message>
<message id="222"><source>Чтение записи...</source><translation>Чтение записи...</translation></message>
<message id="223"><source>Не удалось отобразить участок файла записи в память</source><translation>Не удалось отобразить участок файла записи в память</translation></message>
<message id="224"><source>Не удалось отобразить файл записи в память</source><translation>Не удалось отобразить файл записи в память</translation></message>
<message id="225"><source>На карте памяти нет записанных данных</source><translation>На карте памяти нет записанных данных</translation></message>
<message id="226"><source>Устройство %d</source><translation>Устройство %d</translation></message>
<message id="227"><source>Открытие файла таблицы</source><translation>Открытие файла таблицы</translation></message>
<message id="228"><source>Сохранить каналы как</source><translation>Сохранить каналы как</translation></message>
<message id="229"><source>Файл открыт в окне программы</source><translation>Файл открыт в окне программы</translation></message>
<message id="230"><source>Дата</source><translation>Дата</translation></message>
<message id="231"><source>Время</source><translation>Время</translation></message>
<message id="232"><source>Файл</source><translation>Файл</translation></message>
<message id="233"><source>Отсчёты × каналы</source><translation>Отсчёты × каналы</translation></message>
<message id="234"><source>Частота, Гц</source><translation>Частота, Гц</translation></message>
<message id="235"><source>Длительность, с</source><translation>Длительность, с</translation></message>
<message id="236"><source>Прямоугольное</source><translation>Прямоугольное</translation></message>
<message id="237"><source>Окна</source><translation>Окна</translation></message>
</context>
</TS>
