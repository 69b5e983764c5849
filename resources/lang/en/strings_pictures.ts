<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>strings_pictures</name>
<message id="850"><source>Экспорт &amp;рисунка...</source><translation>Export &amp;picture...</translation></message>
<message id="851"><source>Экспорт всех рису&amp;нков...</source><translation>Export all pic&amp;tures...</translation></message>
<message id="852"><source>Экспорт рисунка</source><translation>Export picture</translation></message>
<message id="853"><source>Экспорт всех рисунков</source><translation>Export all pictures</translation></message>
<message id="854"><source>Файл:</source><translation>File:</translation></message>
<message id="855"><source>Обзор...</source><translation>Browse...</translation></message>
<message id="856"><source>Размер окна</source><translation>The window's own size</translation></message>
<message id="857"><source>Заданный размер</source><translation>Chosen size</translation></message>
<message id="858"><source>пикс.</source><translation>px</translation></message>
<message id="859"><source>мм</source><translation>mm</translation></message>
<message id="860"><source>Масштаб текста:</source><translation>Text scale:</translation></message>
<message id="861"><source>Фон:</source><translation>Background:</translation></message>
<message id="862"><source>белый</source><translation>white</translation></message>
<message id="863"><source>цвета окна</source><translation>the window's colours</translation></message>
<message id="864"><source>Рисунки </source><translation>Pictures </translation></message>
<message id="865"><source>%1: имя файла должно оканчиваться на *.png, *.svg или *.pdf.</source><translation>%1: the file name must end in .png, .svg or .pdf.</translation></message>
<message id="866"><source>Размер рисунка или масштаб текста вне пределов: 64..16384 пикс. (*.png, *.svg), 20..2000 мм (*.pdf), масштаб текста 0,25..8.</source><translation>The picture size or text scale is outside its limits: 64..16384 px (PNG, SVG), 20..2000 mm (PDF), text scale 0.25..8.</translation></message>
<message id="867"><source>Рисунок %1 не записан: %2</source><translation>The picture %1 was not written: %2</translation></message>
<message id="868"><source>*.pdf: одна страница на каждое окно; *.png и *.svg: ИМЯ_1, ИМЯ_2, ... в той же папке.</source><translation>PDF: one page per window; PNG and SVG: NAME_1, NAME_2, ... in the same folder.</translation></message>
<message id="869"><source>&amp;Печать...</source><translation>Pri&amp;nt...</translation></message>
<message id="870"><source>Предварительный про&amp;смотр...</source><translation>Print pre&amp;view...</translation></message>
<message id="871"><source>Начало: %1</source><translation>Start: %1</translation></message>
<message id="872"><source>Справка</source><translation>Help</translation></message>
<message id="873"><source>&amp;Содержание</source><translation>&amp;Contents</translation></message>
<message id="874"><source>Справка по программе</source><translation>Program help</translation></message>
<message id="875"><source>Не задано имя файла.</source><translation>No file name is given.</translation></message>
</context>
</TS>
