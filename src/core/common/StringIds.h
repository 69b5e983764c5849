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
    IDS_EXPORT_H5_COMPRESSION = 686, // label of the HDF5 compression list
    IDS_EXPORT_H5_DEFLATE = 687,   // chunked, shuffled and deflated
    IDS_EXPORT_H5_NONE = 688,      // one contiguous block, not compressed

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

    // Windows that work together: the Window menu, the toolbar and its "go to time" field.
    IDS_MENU_WINDOW = 700,          // menu title "Window"
    IDS_MENU_TILE = 701,
    IDS_MENU_CASCADE = 702,
    IDS_MENU_LINK_TIME = 703,       // Window > Link time (a checked mode)
    IDS_MENU_TOOLBAR = 704,         // View > Toolbar (checked while shown)
    IDS_MENU_ZOOM_IN = 705,         // View's navigation commands (the plot's keys)
    IDS_MENU_ZOOM_OUT = 706,
    IDS_MENU_WHOLE = 707,
    IDS_MENU_ZOOM_BACK = 708,
    IDS_MENU_CURSORS_TO_VIEW = 709,
    IDS_TIP_OPEN = 710,             // tooltips of the toolbar's buttons
    IDS_TIP_ZOOM_IN = 711,
    IDS_TIP_ZOOM_OUT = 712,
    IDS_TIP_WHOLE = 713,
    IDS_TIP_ZOOM_BACK = 714,
    IDS_TIP_LANES = 715,
    IDS_TIP_FIT_VALUES = 716,
    IDS_TIP_MINMAX = 717,
    IDS_TIP_LEGEND = 718,
    IDS_TIP_LINK_TIME = 719,
    IDS_TIP_CURSORS_TO_VIEW = 720,
    IDS_TIP_GO_TO = 721,            // the "go to time" field
    IDS_GO_TO_PLACEHOLDER = 722,
    IDS_GO_TO_BAD = 723,            // an entry that is no time (%1: the entry)
    IDS_GO_TO_OUTSIDE = 724,        // a time outside the recording (%1: the entry, %2: its length in s)
    IDS_TOOLBAR_TITLE = 725,
    IDS_DECIMAL_SEPARATOR = 726,    // the decimal separator of the interface's language
    // Markers: points and spans in time kept in the recording's sidecar.
    IDS_MENU_MARKERS = 780,          // View > Markers (the dock)
    IDS_MARKERS_TITLE = 781,         // title of the dock
    IDS_MARKERS_COLUMN_TIME = 782,   // columns of the dock's list
    IDS_MARKERS_COLUMN_DURATION = 783,
    IDS_MARKERS_COLUMN_TEXT = 784,
    IDS_MARKERS_CANNOT_WRITE = 785,  // %1 the sidecar, %2 the reason
    IDS_MARKERS_CANNOT_READ = 786,   // %1 the sidecar, %2 the reason
    IDS_MARKERS_TOO_LARGE = 787,     // reason: over the size limit
    IDS_KEY_MARKER_ADD = 788,        // keys dialog rows
    IDS_KEY_MARKER_STEP = 789,
    IDS_KEY_MARKER_LIST = 790,
    IDS_MARKERS_FIELD_HINT = 791,    // placeholder of the in-place text field
    // Plot window: automatic fit, level cursors, scroll bars, envelope when dense.
    IDS_MENU_FIT_AUTO = 645,       // View > Fit values automatically (a checked mode of the window)
    IDS_KEY_FIT_SCALE = 646,       // keys dialog rows of the mouse
    IDS_KEY_LEVEL_GRAB = 647,
    IDS_MENU_ENVELOPE_DENSE = 648, // Settings > Envelope when dense (a checked setting)
    IDS_KEY_SCROLL_BARS = 649,
    // Pictures, printing and the help pages.
    IDS_MENU_PICTURE = 850,        // File > Export picture...
    IDS_MENU_ALL_PICTURES = 851,   // File > Export all pictures...
    IDS_PICTURE_TITLE = 852,       // the picture dialog's title and its file dialog's
    IDS_ALL_PICTURES_TITLE = 853,  // the same for every window
    IDS_PICTURE_FILE = 854,        // label of the file name
    IDS_PICTURE_BROWSE = 855,      // button choosing the file name
    IDS_PICTURE_OWN_SIZE = 856,    // the window's own size
    IDS_PICTURE_CHOSEN_SIZE = 857, // a chosen size
    IDS_PICTURE_PIXELS = 858,      // unit of PNG and SVG sizes
    IDS_PICTURE_MM = 859,          // unit of PDF sizes
    IDS_PICTURE_TEXT_SCALE = 860,  // label of the text scale
    IDS_PICTURE_BACKGROUND = 861,  // label of the background list
    IDS_PICTURE_WHITE = 862,       // a white background
    IDS_PICTURE_WINDOW_COLOURS = 863, // the window's own colours
    IDS_PICTURE_FILTER = 864,      // type name of picture files, followed by "(*.png *.svg *.pdf)"
    IDS_PICTURE_BAD_NAME = 865,    // %1: a name not ending in .png, .svg or .pdf
    IDS_PICTURE_BAD_SIZE = 866,    // size or text scale outside the limits (the limits named)
    IDS_PICTURE_NOT_WRITTEN = 867, // %1: the path, %2: the reason
    IDS_ALL_PICTURES_NOTE = 868,   // how the windows are named or paged
    IDS_MENU_PRINT = 869,          // File > Print...
    IDS_MENU_PRINT_PREVIEW = 870,  // File > Print preview...
    IDS_PRINT_START = 871,         // %1: the recording's start time (page footer)
    IDS_PICTURE_HELP = 872,        // the Help button of the dialogs
    IDS_MENU_HELP_CONTENTS = 873,  // Help > Contents
    IDS_HELP_TITLE = 874,          // the help window's title
    IDS_PICTURE_NO_NAME = 875,     // no file name given
    // Averaged (Welch) spectra and the spectrogram.
    IDS_SPECTRO_AVERAGE = 810,          // "SPECTR" check box: the averaged (Welch) FFT spectrum
    IDS_SPECTRO_SEGMENTS = 811,         // label of the segment count
    IDS_SPECTRO_SCALING_SPECTRUM = 812, // units: amplitude in dB relative to the largest
    IDS_SPECTRO_SCALING_DENSITY = 813,  // units: power spectral density in dB re 1 unit^2/Hz
    IDS_SPECTRO_BAD_SEGMENTS = 814,     // segment count not whole or outside %1 .. %2
    IDS_SPECTRO_SHORT_FRAGMENT = 815,   // fragment of %1 samples too short for %2 segments
    IDS_SPECTRO_READOUT = 816,          // pointer over the spectrogram: %1 Hz, %2 dB
    IDS_SPECTRO_NO_PICTURE = 817,       // the recording is shorter than one FFT frame
    IDS_MENU_SPECTROGRAM = 818,         // View > Spectrogram (a checked mode of the window)
    IDS_MENU_SPECTROGRAM_SETTINGS = 819, // View > Spectrogram settings...
    IDS_SPECTRO_TITLE = 820,            // title of the settings dialog
    IDS_SPECTRO_SIZE = 821,             // label of the FFT size
    IDS_SPECTRO_OVERLAP = 822,          // label of the overlap in percent
    IDS_SPECTRO_WINDOW = 823,           // label of the window function
    IDS_SPECTRO_RANGE = 824,            // label of the level range in dB
    IDS_SPECTRO_BAD_SIZE = 825,         // size not whole or outside %1 .. %2
    IDS_SPECTRO_BAD_OVERLAP = 826,      // overlap not a number in 0 .. %1
    IDS_SPECTRO_BAD_RANGE = 827,        // range not a number in %1 .. %2
    IDS_SPECTRO_APPLY = 828,            // the dialog's button that applies the settings
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
    // Colour scheme of the plots (Settings > Colours).
    IDS_MENU_COLOURS = 900,          // the submenu
    IDS_MENU_COLOURS_SYSTEM = 901,   // follow the system's palette
    IDS_MENU_COLOURS_LIGHT = 902,
    IDS_MENU_COLOURS_DARK = 903,
};

} // namespace vistrel
