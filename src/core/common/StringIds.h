#pragma once
// Ids of the texts of the language module. Every text the user sees is fetched by one of
// these ids; the wording lives in the Russian and English language modules.

namespace vistrel {

enum StringId : int {
    IDS_OPEN_TITLE = 200,          // title of the file dialog that opens a recording
    IDS_KVF_FILTER = 201,          // type name of recording files, followed by "(*.kvf)"
    IDS_APP_TITLE = 202,           // main window title; contains "Vis Trel"
    IDS_DIALOG_PARAM = 203,        // title of "AXB"; creation parameter of ADDSUB/TABLEFUNC/SPECTR/SAVECHAS
    IDS_PROGRESS_PROCESS = 204,    // progress title of every operation but averages and fragment saving
    IDS_MOVAVG_TITLE = 205,        // "MOVAVG" title when asking for a moving average
    IDS_AVERAGE_TITLE = 206,       // "MOVAVG" title when asking for an averaging
    IDS_PROGRESS_AVERAGE = 207,    // progress title of averaging and moving average
    IDS_SAVE_FRAGMENT_TITLE = 208, // title of the Save-fragment file dialog
    IDS_TXT_FILTER = 209,          // type name of text tables, followed by "(*.txt)"
    IDS_BAD_TARGET = 210,          // caption: unusable target file (text: the path)
    IDS_EXIT_QUESTION = 211,       // question before the program exits
    IDS_PROGRESS_SAVE = 212,       // progress title while a fragment is saved
    IDS_CANNOT_OPEN = 213,         // error: the recording cannot be opened
    IDS_ERROR_CAPTION = 214,       // caption of every error box whose text is a module string
    IDS_CLOSE_TEMP_QUESTION = 215, // question appended to the path when a temporary result is closed
    IDS_EFU_TITLE = 216,           // title of the "EFU" (RMS) dialog
    IDS_LOAD_COEFFS_TITLE = 217,   // file dialog title: load coefficients
    IDS_SAVE_COEFFS_TITLE = 218,   // file dialog title: save coefficients
    IDS_OVERWRITE_QUESTION = 219,  // question before an existing file is overwritten
    IDS_NOT_COEFF_FILE = 220,      // error: the chosen file is not a coefficient file
    IDS_FILE_NOT_FOUND = 221,      // error text / caption: file not found
    IDS_PROGRESS_READ = 222,       // progress title while a recording is read
    IDS_MAP_VIEW_FAILED = 223,     // error: a view of the recording cannot be mapped
    IDS_MAPPING_FAILED = 224,      // error while opening: the mapping cannot be created
    IDS_SD_EMPTY = 225,            // error while opening: the SD image holds no recorded sector
    IDS_DEVICE_TAB = 226,          // format with one integer: title of a device tab (1-based)
    IDS_TABLE_OPEN_TITLE = 227,    // file dialog title: open a table file
    IDS_SAVE_CHANNELS_TITLE = 228, // file dialog title: Save channels
    IDS_TARGET_OPEN = 229,         // caption: the target file is open in a plot window
    IDS_HIST_DATE = 230,           // history heading, column 1
    IDS_HIST_TIME = 231,           // history heading, column 2
    IDS_HIST_FILE = 232,           // history heading, column 0
    IDS_HIST_SIZE = 233,           // history heading, column 3 (samples x channels)
    IDS_HIST_RATE = 234,           // history heading, column 4
    IDS_HIST_DURATION = 235,       // history heading, column 5
    IDS_WINDOW_NONE = 236,         // first entry of the window-function list of "SPECTR"
    IDS_WINDOW_MENU = 237,         // title of the window-list submenu of the File menu

    // Why a file cannot be used (shown after the path, or after another message).
    IDS_FILE_OK = 240,
    IDS_FILE_NOT_FOUND_REASON = 241,
    IDS_FILE_PERMISSION_DENIED = 242,
    IDS_FILE_IS_DIRECTORY = 243,
    IDS_FILE_NOT_REGULAR = 244,
    IDS_FILE_SYMLINK_LOOP = 245,
    IDS_FILE_PATH_TOO_LONG = 246,
    IDS_FILE_EMPTY = 247,
    IDS_FILE_DISK_FULL = 248,
    IDS_FILE_READ_ONLY = 249,
    IDS_FILE_OTHER_PROBLEM = 250,

    // Result files (captions; the text is the path and the reason).
    IDS_RESULT_CANNOT_CREATE = 270,  // the result file cannot be created
    IDS_RESULT_WRITE_FAILED = 271,   // writing the result failed; nothing was kept
    IDS_RESULT_IS_SOURCE = 272,      // the result would replace its own source recording
    IDS_RESULT_CANNOT_REPLACE = 273, // the finished result cannot replace the target

    IDS_SPECTRUM_LOWER_TOO_HIGH = 300, // "SPECTR": the first row's frequency is 86 400 Hz or more
    IDS_SPECTRUM_RATE_UNUSABLE = 301,  // "SPECTR": the limits and points give no usable rate
    IDS_COEFF_BAD_NUMBER = 302,        // format with the line number: NaN/infinity in a coefficient file
    IDS_POINTS_BAD_NUMBER = 303,       // format with row, line and path: NaN/infinity in a points file

    // Application shell: configuration, opening, files changed on disk.
    IDS_CONFIG_UNREADABLE = 320,   // "%1": the reason; the configuration file cannot be read
    IDS_WINDOWS_NOT_RESTORED = 321, // followed by one path per line
    IDS_PATH_HAS_LINE_BREAK = 322, // a path with CR or LF is refused
    IDS_FILE_CHANGED_QUESTION = 323, // after the path: reload (Yes) or close (No)
    IDS_SOURCE_CHANGED = 324,      // after the path: a job is not started on a changed file
    IDS_NOT_OPENED = 325,          // followed by the path and the reason

    // Plot view and dialogs.
    IDS_CHANNEL_PAGE = 350,        // format with two integers: channel range of a device page

    // Unit words of the read-out's time difference.
    IDS_UNIT_MICROSECONDS = 400,
    IDS_UNIT_MILLISECONDS = 401,
    IDS_UNIT_SECONDS = 402,

    // Reading a recording: menus, the keys dialog.
    IDS_MENU_VIEW = 430,           // menu title "View"
    IDS_MENU_LEGEND = 431,         // View > Legend
    IDS_MENU_HELP = 432,           // menu title "Help"
    IDS_MENU_KEYS = 433,           // Help > Keys...
    IDS_KEYS_TITLE = 434,          // caption of the keys dialog
    IDS_KEYS_COLUMN_KEY = 435,     // column headers of the keys dialog
    IDS_KEYS_COLUMN_ACTION = 436,
    IDS_KEY_SCROLL_DIVISION = 437, // one row per action of the keys dialog
    IDS_KEY_SCROLL_PAGE = 438,
    IDS_KEY_START_END = 439,
    IDS_KEY_ZOOM = 440,
    IDS_KEY_ZOOM_WHEEL = 441,
    IDS_KEY_ZOOM_BACK = 442,
    IDS_KEY_WHOLE = 443,
    IDS_KEY_VERTICAL = 444,
    IDS_KEY_VERTICAL_WHEEL = 445,
    IDS_KEY_SCROLL_WHEEL = 446,
    IDS_KEY_COPY_READOUT = 447,
    IDS_KEY_OPEN = 448,
    IDS_KEY_CLOSE = 449,
    IDS_KEY_EXIT = 450,
    IDS_KEY_HELP = 451,
    IDS_KEY_DROP = 452,
    IDS_KEY_RUBBER_BAND = 453,
    IDS_KEY_CURSORS = 454,
    IDS_KEY_NAME_WHEEL = 455,      // key column: the mouse wheel
    IDS_KEY_NAME_MOUSE = 456,      // key column: the mouse
    IDS_KEY_NAME_DROP = 457,       // key column: drag and drop

    // Stopping a running job.
    IDS_PROGRESS_CANCEL = 460,     // the Cancel button of the progress box
    IDS_PROGRESS_STOPPING = 461,   // the same button once pressed, while the job stops

    // Operations: parameter files and limits.
    IDS_SPECTRUM_UPPER_LOWERED = 470, // "SPECTR": format with the typed and the new upper limit in Hz
    IDS_POINTS_NOT_NUMBERS = 471, // format with row, line and path: a points-file line is not two numbers
    IDS_POINTS_EMPTY = 472, // format with row and path: the points file holds no point
    IDS_POINTS_UNREADABLE = 473, // format with row, path and reason: the points file cannot be read
    IDS_COEFF_NOT_NUMBERS = 474, // format with the line number and path: a coefficient line is not channel;A
    IDS_TABLE_NO_FILE = 475, // "TABLEFUNC": shown in an empty file field

    // Values of the parameter dialogs that cannot be meant.
    IDS_COEFF_NOT_FLOAT = 490,      // "AXB": %1 channel label; a coefficient is infinite or beyond a float
    IDS_COEFF_OVERFLOW = 491,       // "AXB": %1 channel label, %2 and %3 its range; A*X+B leaves the float range
    IDS_NOT_WHOLE_NUMBER = 492,     // %1 the field's text: a whole-number field holds a fraction
    IDS_RMS_ABOVE_HALF_RATE = 493,  // "EFU": %1 half the sampling rate in hertz
    IDS_RANGE_NOT_ORDERED = 494,    // "ADDSUB": %1 row number; its lower limit is not below the upper

    // Sessions: the instance channel, closing windows, opening files.
    IDS_PATH_NOT_ABSOLUTE = 570,   // a path handed over by a second start is not absolute
    IDS_AVERAGE_ONE_SAMPLE = 571,  // averaging a recording of a single sample
    IDS_NO_DEVICE_TICKED = 572,    // Save fragment with no device ticked
    IDS_YES_TO_ALL = 573,          // buttons of the close question of temporary results
    IDS_NO_TO_ALL = 574,
    // Why a recording cannot be opened, one per failure of the reader (shown after the path).
    IDS_OPEN_CANNOT_OPEN = 575,
    IDS_OPEN_BAD_SIGNATURE = 576,
    IDS_OPEN_BAD_TYPE = 577,
    IDS_OPEN_BAD_CHANNELS = 578,
    IDS_OPEN_BAD_DEVICES = 579,
    IDS_OPEN_BAD_DESCRIPTORS = 580,
    IDS_OPEN_SETTINGS_TOO_LONG = 581,
    IDS_OPEN_TRUNCATED = 582,
    IDS_OPEN_BAD_RATE = 583,
    IDS_OPEN_MAPPING_FAILED = 584,
    IDS_OPEN_SD_NO_SECTORS = 585,
    IDS_OPEN_SD_EMPTY = 586,
    IDS_OPEN_SD_BAD_RING = 587,
    IDS_OPEN_SD_MAP_TOO_LARGE = 588,

    // Export (File > Export...).
    IDS_EXPORT_MENU = 670,         // the menu command
    IDS_EXPORT_TITLE = 671,        // the dialog's title and the file dialog's
    IDS_EXPORT_FORMAT = 672,       // label of the format list
    IDS_EXPORT_FRAGMENT = 673,     // the fragment between the cursors
    IDS_EXPORT_WHOLE = 674,        // the whole recording
    IDS_EXPORT_CHANNELS = 675,     // label of the channel list
    IDS_EXPORT_DIALECT = 676,      // label of the CSV dialect list
    IDS_EXPORT_COMMA = 677,        // comma separator, decimal point
    IDS_EXPORT_SEMICOLON = 678,    // semicolon separator, decimal comma
    IDS_EXPORT_TIME = 679,         // label of the time column list
    IDS_EXPORT_TIME_RELATIVE = 680,
    IDS_EXPORT_TIME_ABSOLUTE = 681,
    IDS_EXPORT_TIME_NONE = 682,
    IDS_EXPORT_NO_CHANNEL = 683,   // no channel ticked
    IDS_EXPORT_NOT_BUILT = 684,    // %1: the library this build lacks
    IDS_EXPORT_CHANNEL = 685,      // %1: a channel's number in the list

    // Recordings.
    IDS_SD_MAP_TOO_LARGE = 251,    // SD sector numbers span more than the sector map may hold
    IDS_FILE_CHANGED_ON_DISK = 252, // the recording changed on disk while it was read

    // Filters, mains notch, offset and trend removal (600-639).
    IDS_MENU_FILTER = 600, // menu: the filter operation
    IDS_MENU_NOTCH = 601, // menu: the mains notch
    IDS_MENU_DETREND = 602, // menu: offset and trend removal
    IDS_FILTER_TITLE = 603, // title of the filter dialog
    IDS_FILTER_DESIGN = 604, // label of the design list
    IDS_FILTER_BUTTERWORTH = 605, // design: Butterworth
    IDS_FILTER_CHEBYSHEV1 = 606, // design: Chebyshev type I
    IDS_FILTER_BESSEL = 607, // design: Bessel
    IDS_FILTER_BAND = 608, // label of the band list
    IDS_FILTER_LOWPASS = 609, // band: low-pass
    IDS_FILTER_HIGHPASS = 610, // band: high-pass
    IDS_FILTER_BANDPASS = 611, // band: band-pass
    IDS_FILTER_BANDSTOP = 612, // band: band-stop
    IDS_FILTER_ORDER = 613, // label of the order
    IDS_FILTER_CUTOFF = 614, // label of the cut-off or lower edge
    IDS_FILTER_UPPER = 615, // label of the upper edge of a band
    IDS_FILTER_RIPPLE = 616, // label of the Chebyshev ripple
    IDS_FILTER_ZERO_PHASE = 617, // check box: forward and backward
    IDS_FILTER_EXECUTE = 618, // the button that runs the operation
    IDS_FILTER_RESPONSE = 619, // caption of the response plot
    IDS_NOTCH_TITLE = 620, // title of the notch dialog
    IDS_NOTCH_FREQUENCY = 621, // label of the notch frequency
    IDS_NOTCH_HARMONICS = 622, // label of the harmonic count
    IDS_NOTCH_Q = 623, // label of the quality factor
    IDS_DETREND_TITLE = 624, // title of the detrend dialog
    IDS_DETREND_MEAN = 625, // choice: subtract the mean
    IDS_DETREND_LINEAR = 626, // choice: subtract the fitted line
    IDS_FILTER_BAD_CUTOFF = 627, // a cut-off outside 0 .. Nyquist (%1: the Nyquist frequency)
    IDS_FILTER_BAD_EDGES = 628, // lower edge not below the upper one
    IDS_FILTER_BAD_RIPPLE = 629, // ripple outside 0 .. 40 dB
    IDS_NOTCH_BAD_HARMONIC = 630, // highest harmonic at or above Nyquist (%1 Hz, %2 Hz)
    IDS_NOTCH_BAD_Q = 631, // quality factor not above 0
    IDS_FILTER_SHORT_FRAGMENT = 632, // zero phase on a fragment of %1 samples needs more than %2

    // Lanes: one channel per lane with its own scale.
    IDS_MENU_LANES = 640,          // View > Lanes (a checked mode of the window)
    IDS_KEY_LANES = 641,           // keys dialog rows
    IDS_KEY_LANE_MOUSE = 642,
    IDS_MENU_FIT_VALUES = 643,     // View > Fit values
    IDS_KEY_FIT_VALUES = 644,

    // Statistics of the channels (View > Statistics).
    IDS_MENU_STATISTICS = 740,     // View > Statistics (shows or hides the dock)
    IDS_STATS_TITLE = 741,         // the dock's title
    IDS_STATS_TAB_CURSORS = 742,   // tab: the fragment between the time cursors
    IDS_STATS_TAB_VISIBLE = 743,   // tab: the visible range
    IDS_STATS_COPY = 744,          // button: the table to the clipboard
    IDS_STATS_COL_CHANNEL = 745,   // column headers, in table order
    IDS_STATS_COL_COUNT = 746,
    IDS_STATS_COL_NON_FINITE = 747,
    IDS_STATS_COL_MIN = 748,
    IDS_STATS_COL_MIN_AT = 749,
    IDS_STATS_COL_MAX = 750,
    IDS_STATS_COL_MAX_AT = 751,
    IDS_STATS_COL_MEAN = 752,
    IDS_STATS_COL_RMS = 753,
    IDS_STATS_COL_STD = 754,
    IDS_STATS_COL_P2P = 755,
    IDS_STATS_COL_MEAN_ABS = 756,
    IDS_STATS_COL_FREQUENCY = 757,
    IDS_KEY_LEVEL_CROSSING = 758,  // keys dialog row: F3 / Shift+F3
};

} // namespace vistrel
