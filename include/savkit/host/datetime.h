// Date-time values: days since 30 December 1899, the fraction the time of day.
// For values before that day the whole part counts back and the fraction still
// counts forward into the day (-1.25 is 29 December 1899, 06:00).
#pragma once

namespace savkit {

using TDateTime = double;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Years 1 to 9999. EConvertError "Invalid argument to date encode" otherwise.
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
// EConvertError "Invalid argument to time encode" for a time outside the day.
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& time);

// Raises EConvertError for values outside years 1 to 9999 or not finite.
void DecodeDate(TDateTime date, int& year, int& month, int& day);
// The time of day to the nearest millisecond (never 24:00:00.000).
void DecodeTime(TDateTime time, int& hour, int& minute, int& second, int& millisecond);

}  // namespace savkit
