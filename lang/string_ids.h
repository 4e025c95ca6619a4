#pragma once
// Names of the numbered interface strings, grouped by the window that shows them. The numbers
// are those of the English table and of every language library: never renumber one.
// Menu and toolbar tables in app/main_frame.cpp keep their caption/hint numbers in the table.

// ---- shared by every window ----
constexpr int ProgramNameString = 10;         // "Korvane"
constexpr int ProductKeyString = 12;          // settings key of the program
constexpr int BasicInfoString = 20;           // settings section "BasicInfo"
constexpr int PaperFileDamagedString = 24;    // "The paper definition file has been damaged!"
constexpr int NoPaperDefinitionString = 25;   // "Can't find the paper definition file!..."
constexpr int OKButtonString = 30;            // "&OK"
constexpr int CancelButtonString = 31;        // "&Cancel"
constexpr int EditButtonString = 32;          // "&Edit"
constexpr int OpenButtonString = 33;          // "O&pen"
constexpr int OtherColorsButtonString = 37;   // "&Other": the colour palette's button
constexpr int ReadyHintString = 310;          // "Ready"
constexpr int LabelFileFilterString = 522;    // "Korvane Object File(*.kvo)|*.kvo"
constexpr int LabelFileExtensionString = 523; // "kvo"
constexpr int UntitledCaptionString = 750;    // "Edit": caption of a new document, a number follows
constexpr int NotLabelFileString = 761;       // "This is not Standard KVD file!..."
// Captions of the message boxes, in the order of TMsgDlgType.
constexpr int WarningCaptionString = 4301;     // "Warning"
constexpr int ErrorCaptionString = 4302;       // "Error"
constexpr int InformationCaptionString = 4303; // "Information"
constexpr int ConfirmCaptionString = 4304;     // "Confirm"
constexpr int ClipboardPictureUnreadableString = 4251; // "The picture on the clipboard cannot be read."

// ---- main window ----
constexpr int WebSiteString = 51;               // "www.tarnwick.com"
constexpr int HelpFileMissingString = 26;       // "Can't find the Help file!"
constexpr int StartupCaptionString = 311;       // "Edit": caption of the start-up document
constexpr int LargeClipboardString = 312;       // "You have placed a large amount of data..."
constexpr int FileNotFoundString = 313;         // "was not found!", after the file name
constexpr int HelpMenuString = 511;             // "&Help"
constexpr int HelpMenuHintString = 512;         // "Help"
constexpr int ToolBarCaptionString = 513;       // "ToolBar"
constexpr int ToolBarHintString = 514;          // "ToolBar"
constexpr int PaintToolCaptionString = 515;     // "Paint Tool"
constexpr int PaintToolHintString = 516;        // "Paint Tool"
constexpr int RecentFilesMenuString = 521;      // "Recent F&iles"
constexpr int AboutItemString = 524;            // "&About"
constexpr int UsersMenuString = 525;            // "&User's Menu"
constexpr int LanguageMenuString = 535;         // "&Language"
constexpr int LanguageMenuHintString = 550;     // "Select the Language"
constexpr int GraphicsLibraryBarString = 555;   // "Graphics Library"
constexpr int RecentClearItemString = 570;      // "&Clear All List"
constexpr int RecentRemoveObsoleteString = 571; // "&Remove Obsolete"
constexpr int RecentSubmenuString = 572;        // "Recent &Files"
constexpr int OnlineSupportMenuString = 1650;   // "&Online Support"
constexpr int OnlineUpdateItemString = 1651;    // "&Online Update..."
constexpr int DownloadImagesItemString = 1652;  // "&Download Images"
constexpr int ImageSiteString = 1653;           // "images.tarnwick.com"
constexpr int NoPrivateTempFolderString = 766;  // "Korvane cannot start: no private folder..."
constexpr int SettingsNotSavedString = 4050;    // "The settings file %s could not be read whole..."

// ---- document window ----
constexpr int UnknownPaperString = 315;          // "This file use the one paper type that can't found..."
constexpr int ObjectLockedItemString = 507;      // "&Locked"
constexpr int PaperPropertiesItemString = 700;   // "Paper P&roperties..."
constexpr int PaperPropertiesHintString = 701;   // "Setup Paper Properties"
constexpr int PasteItemString = 702;             // "&Paste"
constexpr int SelectAllItemString = 703;         // "Select &All"
constexpr int PasteHintString = 710;             // "Paste from clipboard"
constexpr int SelectAllHintString = 713;         // "Select All Objects"
constexpr int SaveJobQuestionString = 760;       // "Save current job to file?"
constexpr int NothingToSaveString = 763;         // "There is no object(s) for Saving!..."
constexpr int ObjectPropertiesItemString = 1000; // "P&roperties..."
constexpr int LabelPlaceholderString = 1011;     // shown by an empty label
constexpr int PicturePlaceholderString = 1012;   // shown by a picture object without a picture
constexpr int EditImageItemString = 1013;        // "&Edit Image"
constexpr int EditImageHintString = 1014;        // "Image Editor"
constexpr int OriginalSizeItemString = 1015;     // "&Original Size"
constexpr int OriginalSizeHintString = 1016;     // "Make the image be original size"

// ---- new-document dialog ----
constexpr int DeletePaperQuestionString = 924; // "Are you sure to delete this Paper type information!?"
constexpr int NewDialogCaptionString = 1450;   // "New"
constexpr int SampleGroupString = 1451;        // " Sample "
constexpr int ProductDesignString = 1452;      // "Product &Design : "
constexpr int DescriptionString = 1453;        // "Product Description/Compatibility : "
constexpr int ShowAtStartupString = 1454;      // "&Show this Dialog at startup"
constexpr int SortByString = 1455;             // "Sort by:"
constexpr int SortByMakerString = 1456;        // "&Manufacturer"
constexpr int SortByClassString = 1457;        // "&Classified"
constexpr int FullPageModeString = 1458;       // "&Full Page Mode"
constexpr int AddPaperButtonString = 1459;     // "&Add"
constexpr int DeletePaperButtonString = 1460;  // "&Delete"

// ---- position and size page of the object property dialogs ----
constexpr int PositionSizeString = 1031;      // "Position and Size"
constexpr int PositionLeftString = 1032;      // "&Left"
constexpr int PositionTopString = 1033;       // "&Top"
constexpr int PositionWidthString = 1034;     // "&Width"
constexpr int PositionHeightString = 1035;    // "&Height"
constexpr int PositionUnitString = 1036;      // "Unit : 0.1mm"
constexpr int PositionNotNumberString = 1037; // "Position and size must be whole numbers of tenths of a millimetre."

// ---- colour property dialog ----
constexpr int ColorDialogCaptionString = 1051; // "Object Properties - Colors"
constexpr int ColorObjectInfoString = 1052;    // " Object Information "
constexpr int OutlineColorString = 1053;       // "O&utLine Color : "
constexpr int CoreColorString = 1054;          // "Co&re Color : "
constexpr int LineWidthString = 1055;          // "Line &Width"

// ---- label property dialog ----
constexpr int LabelDialogCaptionString = 1100; // "Object Properties - Font"
constexpr int EnterTextString = 1103;          // "&Enter text here:"
constexpr int LabelSampleString = 1104;        // "Sample:"
constexpr int RotateAngleString = 1105;        // "&Rotate Angle : "
constexpr int LabelObjectInfoString = 1106;    // " Object Information "
constexpr int FontNameLabelString = 1110;      // "&Font:"
constexpr int FontSizeLabelString = 1111;      // "Si&ze:"
constexpr int FontColorLabelString = 1112;     // "Colo&r:"
constexpr int FontSizeRangeString = 1113;      // "The font size must be a whole number from %1 to %2."

// ---- shared by the paper dialogs ----
constexpr int CircleString = 34;    // "Circle"
constexpr int RectangleString = 35; // "Rectangle"
constexpr int ShapeString = 36;     // "Shape"

// ---- paper properties dialog ----
constexpr int SampleLabelString = 38;             // "Sample :"
constexpr int PaperPropertiesCaptionString = 1050; // "Object Properties - Paper"

// ---- paper editor ----
constexpr int ApplyButtonString = 900;          // "&Apply"
constexpr int PaperNameLabelString = 901;       // "Paper &Name :"
constexpr int PaperMakerLabelString = 902;      // "Paper &Manufacturer :"
constexpr int PaperClassLabelString = 903;      // "Paper &Classified :"
constexpr int PaperDescriptionLabelString = 904; // "Paper Description :"
constexpr int PaperLengthLabelString = 905;     // "Paper &Length (0.1mm) :"
constexpr int PaperWidthLabelString = 906;      // "Paper &Width (0.1mm) :"
constexpr int ShapeStyleLabelString = 907;      // "Shape &Style : "
constexpr int ShapeHeightLabelString = 908;     // "Shape H&eight (0.1mm) :"
constexpr int ShapeWidthLabelString = 909;      // "Shape W&idth (0.1mm) :"
constexpr int CoreWidthLabelString = 910;       // "Shape Co&re Width (0.1mm) :"
constexpr int ShapeCountLabelString = 911;      // "Shape C&ounts :"
constexpr int ExtraLineCountLabelString = 912;  // "Extra Line Counts"
constexpr int OtherShapeCountLabelString = 913; // "Other Shape Counts"
constexpr int ShapeInfoString = 914;            // "Shape Info", also the coordinate editor's caption
constexpr int ExtraLineInfoString = 915;        // "Extra Line Info"
constexpr int OtherShapeInfoString = 916;       // "Other Shape Info"
constexpr int ShapeLineFormatString = 917;      // "%s%d: X: %d Y: %d"
constexpr int LineFromFormatString = 918;       // "Line%d: From:  X: %d Y: %d"
constexpr int LineToFormatString = 919;         // " To:  X: %d Y: %d"
constexpr int OtherShapeFormatString = 920;     // "Shape%d: Style: %s X: %d Y: %d"
constexpr int OtherSizeFormatString = 921;      // " Width: %d Height: %d"
constexpr int OtherCoreFormatString = 922;      // " Core Width: %d"
constexpr int SetupPaperCaptionString = 925;    // "Setup Paper Information"
constexpr int PaperInfoString = 926;            // "Paper Info"
constexpr int DefaultButtonString = 927;        // "&Default"

// ---- shape coordinate editor ----
constexpr int StyleHeaderString = 950;     // "Style"
constexpr int HeightHeaderString = 951;    // "Height"
constexpr int WidthHeaderString = 952;     // "Width"
constexpr int FromHeaderString = 953;      // "From"
constexpr int ToHeaderString = 954;        // "To"
constexpr int LineString = 955;            // "Line"
constexpr int CoreWidthHeaderString = 956; // "Core Width"

// ---- file-list dialog ----
constexpr int FileListCaptionString = 718;   // "File List Selection"
constexpr int FileListMemoHelpString = 2054; // help of the memo

// ---- shell controls (their own names) ----
constexpr int SDesktopName = 65400; // "Desktop"
constexpr int SHomeName = 65401; // "Home"
constexpr int SComputerName = 65402; // "Computer"
constexpr int STrashName = 65403; // "Trash"
constexpr int SConfirmTrashItem = 4000;  // "Move \"%1\" to the Trash?"
constexpr int SConfirmTrashItems = 4001; // "Move these %1 items to the Trash?"
constexpr int SShKey_SelectAll = 65417; // "Ctrl+A"
constexpr int SShKey_Delete = 65418; // "Del"
constexpr int SShKey_Copy = 65419; // "Ctrl+C"
constexpr int SShKey_Cut = 65420; // "Ctrl+X"
constexpr int SShKey_Paste = 65421; // "Ctrl+V"
constexpr int SShKey_Refresh = 65422; // "F5"
constexpr int SShKey_Edit = 65423; // "F2"
constexpr int SSystemFolder = 65424; // "System Folder"
constexpr int SDeleteContext = 65431; // "Deletes the selected items."
constexpr int SCutContext = 65433; // "Removes the selected items and copies them onto the Clipboard."
constexpr int SCopyContext = 65434; // "Copies the selected items to the Clipboard. Use Paste to put them in the new location."
constexpr int SPasteContext = 65435; // "Inserts the items you have copied or cut into the selected location."
constexpr int SUnableToCreateFolder = 65441; // "Unable to create the folder '%2'\n\n%1"
constexpr int SColumnName = 65443; // "Name"
constexpr int SColumnSize = 65445; // "Size"
constexpr int SColumnType = 65446; // "Type"
constexpr int SColumnModified = 65447; // "Modified"
constexpr int SFilesizeKB = 65459; // "%sKB"
constexpr int SNewFolder = 65466; // "New Folder"
constexpr int SEditCutMenu = 65473; // "Cu&t"
constexpr int SEditCopyMenu = 65474; // "&Copy"
constexpr int SEditPasteMenu = 65475; // "&Paste"
constexpr int SDeleteMenu = 65476; // "&Delete"
constexpr int SRenameMenu = 65477; // "Rena&me"
constexpr int SOpenButton = 65496; // "&Open"

// ---- splash window and about box ----
constexpr int VersionLabelString = 1503; // "Version: "

// ---- about box, web links and online update ----
constexpr int UpdateListString = 29;          // the updater's list address, built-in only
constexpr int SupportMailString = 50;         // the support e-mail address, built-in only
constexpr int AboutCaptionString = 1500;      // "About"
constexpr int MakerPhoneString = 1504;        // the maker's telephone and fax numbers
constexpr int MakerLineString = 1505;         // a line of the maker's own text
constexpr int MemoryLabelString = 1507;       // "Memory availble to windows: "
constexpr int HttpPrefixString = 1510;        // "http://"
constexpr int Windows95FormatString = 1515;   // "Windows 95 %d.%d (Build %d)"
constexpr int Windows98FormatString = 1516;   // "Windows 98 %d.%d (Build %d)"
constexpr int Windows98SEFormatString = 1517; // "Windows 98 SE %d.%d (%d)"
constexpr int WindowsMeFormatString = 1518;   // "Windows Me %d.%d (Build %d)"
constexpr int WindowsNTFormatString = 1519;   // "Windows NT %d.%d %s %s (%d)"
constexpr int Windows2000FormatString = 1520; // "Windows 2000 %s %d.%d %s (%d)"

// ---- side-bar controls ----
constexpr unsigned SVertListViewItems = 65520;          // "&Items Editor..."
constexpr unsigned SPalettePageString = 65521;          // the design-time palette page
constexpr unsigned SErrParentWindGroupBar = 65522;      // "Parent Window must be TCustomSBGroupBar"
constexpr unsigned SNewGroup = 65523;                   // "New Group"
constexpr unsigned SDeleteGroup = 65524;                // "Delete Group"
constexpr unsigned SNextGroup = 65525;                  // "Next Group"
constexpr unsigned SPrevGroup = 65526;                  // "Previous Group"
constexpr unsigned SErrCanDeleteLastGroup = 65527;      // "Can't delete last group"
constexpr unsigned SErrAssertFailed = 65528;            // "Assert failed"
constexpr unsigned SErrInvalidViewStyle = 65529;        // "Invalid view style"
constexpr unsigned SErrLoadingCursor = 65530;           // "Error loading cursor"
constexpr unsigned SErrInvalidParent = 65531;           // "Invalid parent"
constexpr unsigned SErrInvalidActiveGroupIndex = 65532; // "Invalid ActiveGroupIndex value. ..."
constexpr unsigned SErrInvalidPropValue = 65533;        // "Invalid property value"

// ---- printing: print job, print dialog, preview, progress, wizard ----
constexpr int NextButtonString = 39;              // "&Next >"
constexpr int BackButtonString = 40;              // "< &Back"
constexpr int NoPrinterString = 314;              // "There is no printer installed in system!..."
constexpr int PageSetupButtonString = 464;        // "Pa&ge Setup..."
constexpr int PrintPreviewButtonString = 466;     // "Print Pre&view"
constexpr int PrintPreviewGroupString = 467;      // "Print Preview"
constexpr int PrintWizardCaptionString = 576;     // "Multiple Image Printing Wizard"
constexpr int NothingToPrintString = 762;         // "There is no object(s) for printing!\nStop printing job?"
constexpr int PrintingOnString = 764;             // "Printing\n%s\non the\n%s\non %s"
constexpr int PrintCaptionString = 1300;          // "Print"
constexpr int PrintShapeSelectionString = 1301;   // " Print Shape Selection "
constexpr int DrawOutLineString = 1302;           // "Draw Out &Line"
constexpr int MaskCoreRegionString = 1303;        // "&Mask Core Region"
constexpr int FullPageBoxString = 1304;           // "F&ull Page"
constexpr int PreparingPrintJobString = 1305;     // "\n\nPreparing print job...\nPlease wait!"
constexpr int ResolutionLabelString = 1306;       // "&Resolution: "
constexpr int ResolutionHighString = 1307;        // "High"
constexpr int ResolutionMediumString = 1308;      // "Medium"
constexpr int ResolutionLowString = 1309;         // "Low"
constexpr int PrintStyleLabelString = 1310;       // "Print &Style: "
constexpr int PrintColorString = 1311;            // "Color"
constexpr int PrintGreyscaleString = 1312;        // "Greyscale"
constexpr int PreviewCaptionString = 1400;        // "Print Image Preview"
constexpr int PreviewPrintButtonString = 1401;    // "&Print"
constexpr int PreviewSetupButtonString = 1402;    // "&Setup"
constexpr int PreviewCloseButtonString = 1405;    // "&Close"
constexpr int ZoomPageWidthString = 1406;         // "Page Width"
constexpr int ZoomFullPageString = 1407;          // "Full Page"
constexpr int WindowsListString = 1550;           // "Windows List"
constexpr int NoneGraphicsString = 1551;          // "None Graphics"
constexpr int NoImageChosenString = 1552;         // "You must selection one or more images to be printed!"
// ---- scanner ----
constexpr int ScannerLibraryMissingString = 23; // "Error! Could not find the scanner library %1 (SANE)."
constexpr int ScanSourceCaptionString = 1216;   // "Select Source"
constexpr int ScanningString = 1217;            // "Scanning..."
constexpr int NoScannerString = 1218;           // "No scanner was found."
constexpr int ScanFailedString = 4250;          // "The scan failed: %1"

// ---- picture property dialog ----
constexpr int ImageDialogCaptionString = 1201; // "Object Properties - Image"
constexpr int ImageObjectInfoString = 1202;    // " Object Information "
constexpr int PasteButtonString = 1205;        // "&Paste"
constexpr int LoadButtonString = 1206;         // "&Load"
constexpr int AcquireButtonString = 1207;      // "Ac&quire..."
constexpr int StretchInRatioString = 1208;     // "&Stretch In Ratio"
constexpr int ClearButtonString = 1209;        // "Cl&ear"
constexpr int SavePictureButtonString = 1210;  // "&Save"
constexpr int NoPictureString = 1211;          // "(None)": also the open dialog's preview

// ---- picture editor ----
constexpr int EditorFileMenuString = 450;      // "&File"
constexpr int EditorExitItemString = 476;      // "E&xit"
constexpr int EditorEditMenuString = 479;      // "&Edit"
constexpr int ImageEditorCaptionString = 1014; // "Image Editor"
constexpr int PictureModifiedString = 1214;    // "The picture has been modified!\nAre you sure..."
constexpr int CropItemString = 1215;           // "Cro&p to Selection"

// ---- picture open dialog ----
constexpr int ImageOpenCaptionString = 1150;    // "Object Properties - Select Image File"
constexpr int PreviewOptionString = 1151;       // " &Preview Option "
constexpr int ImageInformationString = 1152;    // " Image In&formation "
constexpr int ImageSizeString = 1153;           // "Image Size :": also the editor's status bar
constexpr int ImagePreviewCheckString = 1154;   // "Image &Preview"
constexpr int DetailPreviewString = 1155;       // "&Detail Preview"
constexpr int ImagePreviewCaptionString = 1200; // "Object Properties - Image Preview"

// ---- CDDB track-list dialog ----
constexpr int ListDataLostString = 719;            // "File List Data will be lost!\nContinute exit?"
constexpr int CDDBCaptionString = 1600;            // "CDDB Information"
constexpr int CDDriveLabelString = 1601;           // "C&D-ROM Driver :"
constexpr int ConnectInfoLabelString = 1602;       // "Connect information:"
constexpr int AlbumTitleLabelString = 1603;        // "Album &Title :"
constexpr int ArtistLabelString = 1604;            // "&Artist :"
constexpr int TrackListLabelString = 1605;         // "Track &List :"
constexpr int ConnectButtonString = 1606;          // "Co&nnect..."
constexpr int ExtraOptionGroupString = 1607;       // " Extra Option "
constexpr int ShowAlbumNameString = 1608;          // "Show Album Tit&le"
constexpr int ShowArtistNameString = 1609;         // "Show Arti&st"
constexpr int CustomizeTrackInfoString = 1610;     // "C&ustomize Track Info"
constexpr int TrackTemplateCaptionString = 1611;   // "User Customize Track Info"
constexpr int TrackTemplatePromptString = 1612;    // "Track No:&&n ,Track Name:&&s ,Track Time:&&t"
constexpr int DefaultTrackTemplateString = 1613;   // "&n. &s [&t]"
constexpr int SelectSiteString = 1614;             // "Select CDDB Se&rver"
constexpr int SelectServerCaptionString = 1615;    // "Select One of CDDB Servers"
constexpr int UnknownTitleString = 1616;           // "Unknow"
constexpr int SelectAlbumCaptionString = 1619;     // "Album List, Select one..."
constexpr int ConnectingString = 1620;             // "Connecting..."
constexpr int HandshakingString = 1621;            // "Handshaking..."
constexpr int QueryingString = 1622;               // "Querying..."
constexpr int ReadingString = 1623;                // "Reading..."
constexpr int LookupSuccessString = 1624;          // "Success!"
constexpr int CDDBNotFoundString = 1625;           // "CDDB No Found"
constexpr int CDDBQueryErrorString = 1626;         // "CDDB Query Error"
constexpr int NetworkErrorString = 1630;           // "Network error : code = "
constexpr int NoAudioDiscString = 1631;            // "There is No Disk or one Disk with no Audio Track..."
constexpr int ConnectionEndedString = 4300;        // "The connection ended before the lookup had a result."

// ---- printing: the print panel, the printer properties, the job's end ----
constexpr int PrintStatusCaptionString = 4200;  // "Status:"
constexpr int PrintTypeCaptionString = 4201;    // "Type:"
constexpr int PrintWhereCaptionString = 4202;   // "Where:"
constexpr int PrintCommentCaptionString = 4203; // "Comment:"
constexpr int PrinterReadyString = 4204;        // "Ready"
constexpr int PrinterPrintingString = 4205;     // "Printing"
constexpr int PrinterPausedString = 4206;       // "Paused"
constexpr int PrinterNotAcceptingString = 4207; // "Not accepting jobs"
constexpr int PrinterStateUnknownString = 4208; // "Unknown"
constexpr int PrinterPausedJobWaitsString =
    4209; // "The printer "%s" is paused: the job waits in its queue and prints when the printer is resumed."
constexpr int PrinterRefusesJobsString =
    4210; // "The printer "%s" does not accept jobs. Nothing was printed."
constexpr int PrinterPropertiesTitleString = 4211; // "%s Properties"
constexpr int MediaSizeCaptionString = 4212;       // "Paper &size:"
constexpr int MediaSourceCaptionString = 4213;     // "Paper s&ource:"
constexpr int ColourModeCaptionString = 4214;      // "&Colour:"
constexpr int PrintResolutionCaptionString = 4215; // "&Resolution:"
constexpr int DuplexCaptionString = 4216;          // "&Two-sided:"
constexpr int PrintSetupTitleString = 4219;        // "Print Setup"

// ---- typed sizes and angles ----
constexpr int SheetValueRangeString =
    4217; // "Sizes and positions must be whole numbers from %1 to %2 tenths of a millimetre."
constexpr int AngleRangeString = 4218; // "The angle must be a whole number from %1 to %2."
