<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>strings</name>
<message id="200"><source>Открытие файла данных</source><translation>Open data file</translation></message>
<message id="201"><source>Файлы данных</source><translation>Data files</translation></message>
<message id="202"><source>Vis Trel — просмотр и обработка записей</source><translation>Vis Trel - recording viewer and processor</translation></message>
<message id="203"><source>Линейное преобразование Y = A·X + B</source><translation>Linear transformation Y = A·X + B</translation></message>
<message id="204"><source>Обработка...</source><translation>Processing...</translation></message>
<message id="205"><source>Скользящее среднее</source><translation>Moving average</translation></message>
<message id="206"><source>Усреднение</source><translation>Averaging</translation></message>
<message id="207"><source>Усреднение...</source><translation>Averaging...</translation></message>
<message id="208"><source>Сохранить фрагмент как</source><translation>Save fragment as</translation></message>
<message id="209"><source>Текстовые таблицы</source><translation>Text tables</translation></message>
<message id="210"><source>Недопустимый файл для записи</source><translation>Unusable target file</translation></message>
<message id="211"><source>Завершить работу программы?</source><translation>Exit the program?</translation></message>
<message id="212"><source>Сохранение фрагмента...</source><translation>Saving the fragment...</translation></message>
<message id="213"><source>Не удалось открыть файл записи</source><translation>The recording cannot be opened</translation></message>
<message id="214"><source>Ошибка</source><translation>Error</translation></message>
<message id="215"><source>— временный файл результата будет удалён. Закрыть окно?</source><translation>- this temporary result file will be deleted. Close the window?</translation></message>
<message id="216"><source>Среднеквадратичное значение (RMS)</source><translation>RMS (effective value)</translation></message>
<message id="217"><source>Загрузка коэффициентов</source><translation>Load coefficients</translation></message>
<message id="218"><source>Сохранение коэффициентов</source><translation>Save coefficients</translation></message>
<message id="219"><source>Файл уже существует. Заменить его?</source><translation>The file already exists. Replace it?</translation></message>
<message id="220"><source>Выбранный файл не является файлом коэффициентов</source><translation>The chosen file is not a coefficient file</translation></message>
<message id="221"><source>Файл не найден</source><translation>File not found</translation></message>
<message id="222"><source>Чтение записи...</source><translation>Reading the recording...</translation></message>
<message id="223"><source>Не удалось отобразить участок файла записи в память</source><translation>A part of the recording file cannot be mapped into memory</translation></message>
<message id="224"><source>Не удалось отобразить файл записи в память</source><translation>The recording file cannot be mapped into memory</translation></message>
<message id="225"><source>На карте памяти нет записанных данных</source><translation>The SD card image holds no recorded data</translation></message>
<message id="226"><source>Устройство %d</source><translation>Device %d</translation></message>
<message id="227"><source>Открытие файла таблицы</source><translation>Open table file</translation></message>
<message id="228"><source>Сохранить каналы как</source><translation>Save channels as</translation></message>
<message id="229"><source>Файл открыт в окне программы</source><translation>The file is open in a window</translation></message>
<message id="230"><source>Дата</source><translation>Date</translation></message>
<message id="231"><source>Время</source><translation>Time</translation></message>
<message id="232"><source>Файл</source><translation>File</translation></message>
<message id="233"><source>Отсчёты × каналы</source><translation>Samples × channels</translation></message>
<message id="234"><source>Частота, Гц</source><translation>Rate, Hz</translation></message>
<message id="235"><source>Длительность, с</source><translation>Duration, s</translation></message>
<message id="236"><source>Прямоугольное</source><translation>Rectangular</translation></message>
<message id="237"><source>Окна</source><translation>Windows</translation></message>
</context>
</TS>
