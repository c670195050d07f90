// Option keys and their defaults, as Kestrel stores them in each plug-in's options
// dictionary, and the other named constants both plug-ins share: pasteboards, edition
// identifiers, application attributes, SQL column aliases and Taskwell entity names.
//
// Every option is read with its default from here (absent key = default; a present value
// is converted with the usual boolean/integer reading). "isShowProduct" and
// "completeTasks" have no exported constant on the device; they are named here so no
// caller spells the key by hand.
#pragma once

#include <cstdint>

// Options of both plug-ins.
inline constexpr const char* kTWOptionsMaxTasks = "maxTasks";
inline constexpr int kTWOptionsMaxTasksDefault = 5;
inline constexpr const char* kTWOptionsMaxEvents = "maxEvents-2";
inline constexpr int kTWOptionsMaxEventsDefault = 999;
inline constexpr const char* kTWOptionsMaxDays = "maxDays-2";
inline constexpr int kTWOptionsMaxDaysDefault = -1;
inline constexpr const char* kTWOptionsDayLimit = "dayLimit-2";
inline constexpr int kTWOptionsDayLimitDefault = 4;
inline constexpr const char* kTWOptionsHideFuture = "isHideFuture";
inline constexpr bool kTWOptionsHideFutureDefault = true;
inline constexpr const char* kTWOptionsHideDeferred = "isHideDeferred";
inline constexpr bool kTWOptionsHideDeferredDefault = false;
inline constexpr const char* kTWOptionsHideUndated = "isHideUndated";
inline constexpr bool kTWOptionsHideUndatedDefault = false;
inline constexpr const char* kTWOptionsStarredOnly = "isStarredOnly";
inline constexpr bool kTWOptionsStarredOnlyDefault = false;
inline constexpr const char* kTWOptionsShowAllTasks = "showAllTasks";
inline constexpr bool kTWOptionsShowAllTasksDefault = false;
inline constexpr const char* kTWOptionsShowOnlyAction = "showOnlyAction";
inline constexpr int kTWOptionsShowOnlyActionDefault = -1;
inline constexpr const char* kTWOptionsShowFiling = "showFiling";
inline constexpr int kTWOptionsShowFilingDefault = 0;
inline constexpr const char* kTWOptionsShowParent = "showParent";
inline constexpr int kTWOptionsShowParentDefault = 0;
inline constexpr const char* kTWOptionsTagsFilters = "tagsFilters";
inline constexpr const char* kTWOptionsNoTagsFilter = "isShowNoTags";
inline constexpr bool kTWOptionsNoTagsFilterDefault = false;
inline constexpr const char* kTWOptionsHiddenNativeCalendars = "hideNativeCals";
inline constexpr const char* kTWOptionsHiddenTWEventCalendars = "hideTWEvents";
inline constexpr const char* kTWOptionsHideInfoNativeCalendars = "noinfoNativeCals";
inline constexpr const char* kTWOptionsHideInfoTWCalendars = "noinfoTWEvents";
inline constexpr const char* kTWOptionsSortField1 = "sortField1";
inline constexpr int kTWOptionsSortField1Default = 1;
inline constexpr const char* kTWOptionsSortField1Asc = "isSortAsc1";
inline constexpr bool kTWOptionsSortField1AscDefault = true;
inline constexpr const char* kTWOptionsSortField1Order = "sortNoneOrder1";
inline constexpr int kTWOptionsSortField1OrderDefault = 0;
inline constexpr const char* kTWOptionsSortField2 = "sortField2";
inline constexpr int kTWOptionsSortField2Default = 4;
inline constexpr const char* kTWOptionsSortField2Asc = "isSortAsc2";
inline constexpr bool kTWOptionsSortField2AscDefault = true;
inline constexpr const char* kTWOptionsSortField2Order = "sortNoneOrder2";
inline constexpr int kTWOptionsSortField2OrderDefault = 0;
inline constexpr const char* kTWOptionsHideNoContext = "hideNoContext";
inline constexpr int kTWOptionsHideNoContextDefault = 0;
inline constexpr const char* kTWOptionsHideOutOfContext = "hideOutOfContext";
inline constexpr int kTWOptionsHideOutOfContextDefault = 2;
inline constexpr const char* kTWOptionsShowContextAtStart = "isContextAtStart";
inline constexpr bool kTWOptionsShowContextAtStartDefault = true;
inline constexpr const char* kTWOptionsShowContexts = "showContextState";
inline constexpr int kTWOptionsShowContextsDefault = 0;
inline constexpr const char* kTWOptionsMissingImportance = "noImportance";
inline constexpr int kTWOptionsMissingImportanceDefault = 10;
inline constexpr const char* kTWOptionsDefaultImportance = "defaultImportance";
inline constexpr int kTWOptionsDefaultImportanceDefault = 3;
inline constexpr const char* kTWOptionsAddTaskFeature = "allowAddTask";
inline constexpr bool kTWOptionsAddTaskFeatureDefault = true;
inline constexpr const char* kTWOptionsHighlightOverdue = "isHighlightOverdue";
inline constexpr bool kTWOptionsHighlightOverdueDefault = true;
inline constexpr const char* kTWOptionsShowParentIcons = "isShowParentIcon";
inline constexpr bool kTWOptionsShowParentIconsDefault = true;
inline constexpr const char* kTWOptionsShowLocationPage = "isShowLocations";
inline constexpr bool kTWOptionsShowLocationPageDefault = true;
inline constexpr const char* kTWOptionsShowBadge = "isShowBadge";
inline constexpr bool kTWOptionsShowBadgeDefault = true;
inline constexpr const char* kTWOptionsShowToolbar = "isShowToolbar";
inline constexpr bool kTWOptionsShowToolbarDefault = true;
inline constexpr const char* kTWOptionsShowStatusbarIcons = "isStatusbarIcon";
inline constexpr bool kTWOptionsShowStatusbarIconsDefault = true;
inline constexpr const char* kTWOptionsShowPreviews = "isShowPreviews";
inline constexpr bool kTWOptionsShowPreviewsDefault = true;
inline constexpr const char* kTWOptionsLockPreview = "isLockPreview";
inline constexpr bool kTWOptionsLockPreviewDefault = true;
inline constexpr const char* kTWOptionsLockDetails = "isLockDetails";
inline constexpr bool kTWOptionsLockDetailsDefault = true;
inline constexpr const char* kTWOptionsShowPopups = "isShowPopups";
inline constexpr bool kTWOptionsShowPopupsDefault = true;
inline constexpr const char* kTWOptionsShowIcons = "isShowIcons";
inline constexpr bool kTWOptionsShowIconsDefault = true;
inline constexpr const char* kTWOptionsShowSourceIcons = "sourceIcons";
inline constexpr int kTWOptionsShowSourceIconsDefault = 1;
inline constexpr const char* kTWOptionsShowDates = "showDetail";
inline constexpr int kTWOptionsShowDatesDefault = 1;
inline constexpr const char* kTWOptionsShortDates = "shortDates";
inline constexpr int kTWOptionsShortDatesDefault = 1;
inline constexpr const char* kTWOptionsShowEmoji = "isShowEmoji";
inline constexpr bool kTWOptionsShowEmojiDefault = true;
inline constexpr const char* kTWOptionsEmojiAfter = "isEmojiAfter";
inline constexpr bool kTWOptionsEmojiAfterDefault = false;
inline constexpr const char* kTWOptionsLowColourDisplay = "isLowColour";
inline constexpr bool kTWOptionsLowColourDisplayDefault = false;
inline constexpr const char* kTWOptionsiPadSingleLine = "isiPadSingleLine";
inline constexpr bool kTWOptionsiPadSingleLineDefault = true;
inline constexpr const char* kTWOptionsWeekendStart = "weekendStart";
inline constexpr int kTWOptionsWeekendStartDefault = 6;
inline constexpr const char* kTWOptionsDayStart = "dayStart";
inline constexpr int kTWOptionsDayStartDefault = 32400;
inline constexpr const char* kTWOptionsDayEnd = "dayEnd";
inline constexpr int kTWOptionsDayEndDefault = 64800;
inline constexpr const char* kTWOptionsShowWorkingHours = "isShowWorkingHours";
inline constexpr bool kTWOptionsShowWorkingHoursDefault = true;
inline constexpr const char* kTWOptionsSkipWeekend = "isSkipWeekend";
inline constexpr bool kTWOptionsSkipWeekendDefault = false;
inline constexpr const char* kTWOptionsIsAlertDuringEvent = "isAlertDuring";
inline constexpr bool kTWOptionsIsAlertDuringEventDefault = true;
inline constexpr const char* kTWOptionsRepeatAlertInterval = "alertInterval";
inline constexpr int kTWOptionsRepeatAlertIntervalDefault = 60;
inline constexpr const char* kTWOptionsRepeatAlertDuration = "alertDuration";
inline constexpr int kTWOptionsRepeatAlertDurationDefault = 600;
inline constexpr const char* kTWOptionsRepeatAlertSound = "alertSound";
inline constexpr const char* kTWOptionsRepeatAlertSoundDefault = "0:0";
inline constexpr const char* kTWOptionsSnoozeAlertDuration = "snoozeDuration";
inline constexpr int kTWOptionsSnoozeAlertDurationDefault = 300;
inline constexpr const char* kTWOptionsVibrateOnAlert = "isVibrateOnAlert";
inline constexpr bool kTWOptionsVibrateOnAlertDefault = true;
inline constexpr const char* kTWOptionsWakeOnAlert = "isWakeOnAlert";
inline constexpr bool kTWOptionsWakeOnAlertDefault = false;
inline constexpr const char* kTWOptionsDebugCode = "debugCode";
inline constexpr int kTWOptionsDebugCodeDefault = 0;
inline constexpr const char* kTWOptionsShowProduct = "isShowProduct";
inline constexpr bool kTWOptionsShowProductDefault = true;
inline constexpr const char* kTWOptionsCompleteTasks = "completeTasks";
inline constexpr int kTWOptionsCompleteTasksDefault = 1;

// Options of the tasks plug-in only.
inline constexpr const char* kTWTaskOptionsViewStyle = "viewStyle";
inline constexpr int kTWTaskOptionsViewStyleDefault = 2;
inline constexpr const char* kTWTaskOptionsNativeReminders = "isNativeTasks";
inline constexpr bool kTWTaskOptionsNativeRemindersDefault = true;
inline constexpr const char* kTWTaskOptionsLockCreate = "isLockCreate";
inline constexpr bool kTWTaskOptionsLockCreateDefault = true;
inline constexpr const char* kTWTaskOptionsCombineContexts = "isCombineContexts";
inline constexpr bool kTWTaskOptionsCombineContextsDefault = false;
inline constexpr const char* kTWTaskOptionsDefaultContexts = "defaultContexts";
inline constexpr const char* kTWTaskOptionsDefaultContextsUpdates = "defaultContextsUpdates";
inline constexpr int kTWTaskOptionsDefaultContextsUpdatesDefault = -1;

// Options of the events plug-in only.
inline constexpr const char* kTWEventOptionsViewStyle = "viewStyle";
inline constexpr int kTWEventOptionsViewStyleDefault = 2;
inline constexpr const char* kTWEventOptionsDaySummary = "daySummary";
inline constexpr int kTWEventOptionsDaySummaryDefault = 1;
inline constexpr const char* kTWEventOptionsFutureOnly = "isFutureEventsOnly";
inline constexpr bool kTWEventOptionsFutureOnlyDefault = false;
inline constexpr const char* kTWEventOptionsShowPastEvents = "isShowPastEvents";
inline constexpr bool kTWEventOptionsShowPastEventsDefault = false;
inline constexpr const char* kTWEventOptionsHideAllDayAfter = "hideAlldayAfter";
inline constexpr int kTWEventOptionsHideAllDayAfterDefault = 0;
inline constexpr const char* kTWEventOptionsShowAvailability = "isShowAvail";
inline constexpr bool kTWEventOptionsShowAvailabilityDefault = true;
inline constexpr const char* kTWEventOptionsShowCalendar = "isShowCalendar";
inline constexpr bool kTWEventOptionsShowCalendarDefault = false;

inline constexpr int kDebugModeCode = 5807;

// ZINTERNALID of Taskwell's internal calendars.
inline constexpr int kTWEntityIDInternalTaskCalendar = 0;
inline constexpr int kTWEntityIDInternalNotesCalendar = 1;

// The plug-ins' status pasteboard and its item keys.
inline constexpr const char* kTWStatusPasteboard = "com.kzt.kestrel";
inline constexpr const char* kTWPasteboardDBPath = "dbpath";
inline constexpr const char* kTWPasteboardAppPath = "apppath";
inline constexpr const char* kTWPasteboardDBVersion = "dbvers";
inline constexpr const char* kTWPasteboardAppType = "apptype";

// Taskwell's pasteboard of location contexts and its field names.
inline constexpr const char* TWIntegrationContextPasteboard = "net.norvale.taskwell.contextLocations";
inline constexpr const char* TWContextFieldNameKey = "pk";
inline constexpr const char* TWContextFieldNameTitle = "title";

// Display identifiers of the three Taskwell editions.
inline constexpr const char* TWPhoneIdentifier = "taskwell";
inline constexpr const char* TWMiniIdentifier = "taskwellMini";
inline constexpr const char* TWTabIdentifier = "taskwellTab";

// Application-record attributes holding context choices.
inline constexpr const char* kTWApplicationContextList1 = "contexts1";
inline constexpr const char* kTWApplicationContextFixed = "contextFixed";
inline constexpr const char* kTWApplicationContextLocation = "contextLocn";
inline constexpr const char* kTWApplicationContextDefault = "contextDef";

inline constexpr const char* kTWPreviewAlarmsPageLookup = "-10";

// Column aliases of the generated SQL.
inline constexpr const char* kFieldNameContextStatus = "xxx_contextstat";
inline constexpr const char* kFieldNameImportance = "xxx_imp";
inline constexpr const char* kFieldNameStartDate = "xxx_start";
inline constexpr const char* kFieldNameDueDate = "xxx_due";
inline constexpr const char* kFieldNameTagID = "xxx_tagID";
inline constexpr const char* kFieldNameChildCount = "xxx_children";
inline constexpr const char* kFieldNameEventStartDate = "xxx_startdate";
inline constexpr const char* kFieldNameEventTagID = "xxx_tagID";

// Core Data entity names, looked up in Z_PRIMARYKEY for their entity numbers.
inline constexpr const char* kTWEntityTypeTask = "TWCalTask";
inline constexpr const char* kTWEntityTypeTaskTemplate = "TWCalTaskTemplate";
inline constexpr const char* kTWEntityTypeEvent = "TWCalEvent";
inline constexpr const char* kTWEntityTypeEventOccurance = "TWCalEventOccurrence";
inline constexpr const char* kTWEntityTypeEventException = "TWCalEventException";
inline constexpr const char* kTWEntityTypeEventTemplate = "TWCalEventTemplate";
inline constexpr const char* kTWEntityTypeEventEK = "TWCalEventEK";
inline constexpr const char* kTWEntityTypeAttendee = "TWCalAttendee";
inline constexpr const char* kTWEntityTypeContext = "TWContext";
inline constexpr const char* kTWEntityTypeProject = "TWProject";
inline constexpr const char* kTWEntityTypeProjectInternal = "TWInternalProject";
inline constexpr const char* kTWEntityTypeTag = "TWTag";
inline constexpr const char* kTWEntityTypeTagInternal = "TWInternalTag";
inline constexpr const char* kTWEntityTypeCalendar = "TWCalCalendar";
inline constexpr const char* kTWEntityTypeCalendarInternal = "TWInternalCalendar";
inline constexpr const char* kTWEntityTypeNote = "TWCalNote";
