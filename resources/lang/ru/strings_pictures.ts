<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context><name>strings_pictures</name>
<message id="850"><source>Экспорт &amp;рисунка...</source><translation>Экспорт &amp;рисунка...</translation></message>
<message id="851"><source>Экспорт всех рису&amp;нков...</source><translation>Экспорт всех рису&amp;нков...</translation></message>
<message id="852"><source>Экспорт рисунка</source><translation>Экспорт рисунка</translation></message>
<message id="853"><source>Экспорт всех рисунков</source><translation>Экспорт всех рисунков</translation></message>
<message id="854"><source>Файл:</source><translation>Файл:</translation></message>
<message id="855"><source>Обзор...</source><translation>Обзор...</translation></message>
<message id="856"><source>Размер окна</source><translation>Размер окна</translation></message>
<message id="857"><source>Заданный размер</source><translation>Заданный размер</translation></message>
<message id="858"><source>пикс.</source><translation>пикс.</translation></message>
<message id="859"><source>мм</source><translation>мм</translation></message>
<message id="860"><source>Масштаб текста:</source><translation>Масштаб текста:</translation></message>
<message id="861"><source>Фон:</source><translation>Фон:</translation></message>
<message id="862"><source>белый</source><translation>белый</translation></message>
<message id="863"><source>цвета окна</source><translation>цвета окна</translation></message>
<message id="864"><source>Рисунки </source><translation>Рисунки </translation></message>
<message id="865"><source>%1: имя файла должно оканчиваться на *.png, *.svg или *.pdf.</source><translation>%1: имя файла должно оканчиваться на *.png, *.svg или *.pdf.</translation></message>
<message id="866"><source>Размер рисунка или масштаб текста вне пределов: 64..16384 пикс. (*.png, *.svg), 20..2000 мм (*.pdf), масштаб текста 0,25..8.</source><translation>Размер рисунка или масштаб текста вне пределов: 64..16384 пикс. (*.png, *.svg), 20..2000 мм (*.pdf), масштаб текста 0,25..8.</translation></message>
<message id="867"><source>Рисунок %1 не записан: %2</source><translation>Рисунок %1 не записан: %2</translation></message>
<message id="868"><source>*.pdf: одна страница на каждое окно; *.png и *.svg: ИМЯ_1, ИМЯ_2, ... в той же папке.</source><translation>*.pdf: одна страница на каждое окно; *.png и *.svg: ИМЯ_1, ИМЯ_2, ... в той же папке.</translation></message>
<message id="869"><source>&amp;Печать...</source><translation>&amp;Печать...</translation></message>
<message id="870"><source>Предварительный про&amp;смотр...</source><translation>Предварительный про&amp;смотр...</translation></message>
<message id="871"><source>Начало: %1</source><translation>Начало: %1</translation></message>
<message id="872"><source>Справка</source><translation>Справка</translation></message>
<message id="873"><source>&amp;Содержание</source><translation>&amp;Содержание</translation></message>
<message id="874"><source>Справка по программе</source><translation>Справка по программе</translation></message>
<message id="875"><source>Не задано имя файла.</source><translation>Не задано имя файла.</translation></message>
</context>
</TS>
