#pragma once
// Text formats of times and measured values shared by the plot labels, the cursor read-outs
// and the text export.
#include <cstdint>
#include <string>

namespace vistrel {

// Calendar fields of a file time (100-ns units since 1 January 1601), no zone conversion.
struct CalendarFields {
    int year = 1601, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    int dayOfWeek = 1; // 0 = Sunday
};
CalendarFields FileTimeToFields(int64_t fileTime);
// Inverse of FileTimeToFields; returns false when the fields do not form a valid time.
bool FieldsToFileTime(const CalendarFields& f, int64_t& fileTime);

// Removes trailing zeros of a decimal number (and a bare trailing point) when it has a '.'
// and no exponent.
void TrimZeros(std::string& text);
void TrimZeros(char* text);

// printf format for a value, chosen by its magnitude as a single.
const char* ValueFormat(float x);
// The value printed with ValueFormat and trimmed.
std::string FormatValue(double x);

// Time within the minute (within the day for decibel recordings), in seconds, trimmed.
std::string TimeLabel(int64_t t, bool decibel);
// Date and time label; relative = times counted from sample 0.
std::string DateLabel(int64_t t, bool decibel, bool relative);

// Texts of a time-axis label at round time t, for labels `step` apart (100-ns units): the
// lower one under the plot and the upper one above it. The lower text carries what the step
// needs: seconds within the minute for steps below a minute, else hours, minutes and seconds
// ("10:12:00"); relative times count on past the minute ("1:30") and the hour ("1:00:00").
// The upper text carries the rest: date and hh:mm, or only the date where the lower text
// has the hours ("" on the first day of relative times). Spectra keep frequency and date.
struct AxisLabelTexts {
    std::string lower, upper;
};
AxisLabelTexts AxisTimeLabels(int64_t t, int64_t step, bool decibel, bool relative);

// Time column of a text table: "dd-mm-yy hh:mm:ss,fffff" (the fraction in 10-us units) for
// the years 2000 to 2099; other years are written with four digits ("dd-mm-yyyy ..."), so
// no date reads as another one.
std::string TableDateTime(int64_t t);


} // namespace vistrel
