<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context><name>strings_spectro</name>
<message id="810"><source>Усреднённый (Уэлч)</source><translation>Averaged (Welch)</translation></message>
<message id="811"><source>Сегментов</source><translation>Segments</translation></message>
<message id="812"><source>Амплитуда, дБ от наибольшей</source><translation>Amplitude, dB relative to the largest</translation></message>
<message id="813"><source>Спектральная плотность мощности, дБ отн. 1 ед.²/Гц</source><translation>Power spectral density, dB re 1 unit²/Hz</translation></message>
<message id="814"><source>Число сегментов должно быть целым от %1 до %2</source><translation>The number of segments must be a whole number from %1 to %2</translation></message>
<message id="815"><source>Фрагмент из %1 отсчётов слишком короток для %2 сегментов</source><translation>The fragment of %1 samples is too short for %2 segments</translation></message>
<message id="816"><source>Спектрограмма: %1 Гц, %2 дБ</source><translation>Spectrogram: %1 Hz, %2 dB</translation></message>
<message id="817"><source>Запись короче одного кадра БПФ</source><translation>The recording is shorter than one FFT frame</translation></message>
<message id="818"><source>&amp;Спектрограмма</source><translation>Spect&amp;rogram</translation></message>
<message id="819"><source>Па&amp;раметры спектрограммы…</source><translation>S&amp;pectrogram settings…</translation></message>
<message id="820"><source>Спектрограмма</source><translation>Spectrogram</translation></message>
<message id="821"><source>Размер БПФ</source><translation>FFT size</translation></message>
<message id="822"><source>Перекрытие, %</source><translation>Overlap, %</translation></message>
<message id="823"><source>Окно</source><translation>Window</translation></message>
<message id="824"><source>Диапазон, дБ</source><translation>Range, dB</translation></message>
<message id="825"><source>Размер БПФ должен быть целым от %1 до %2</source><translation>The FFT size must be a whole number from %1 to %2</translation></message>
<message id="826"><source>Перекрытие должно быть числом от 0 до %1 %</source><translation>The overlap must be a number from 0 to %1 %</translation></message>
<message id="827"><source>Диапазон должен быть числом от %1 до %2 дБ</source><translation>The range must be a number from %1 to %2 dB</translation></message>
<message id="828"><source>Применить</source><translation>Apply</translation></message>
</context>
</TS>
