#include "quenby/shell/texts.h"

#include "platform/dialogs.h"
#include "platform/runtimeerror.h"
#include "platform/textfile.h"
#include "platform/vbtext.h"
#include "quenby/shell/fileexists.h"
#include "quenby/shell/general.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <iterator>

namespace quenby {

namespace {

struct BuiltIn {
    int id;
    const char* text;
};

// The English texts, sorted by id.
constexpr BuiltIn kEnglish[] = {
    {100, "Error Inserting PROM change flag : "},
    {101, "Unable to Read PROM : timed out"},
    {102, "Error"},
    {103, "Error Reading PROM/Memory function : "},
    {104, "Programming"},
    {105, "PROM PROGRAMMING IN PROGRESS"},
    {106, "Error Writing PROM Data : "},
    {107, "Error Decoding PROM Data : "},
    {108, "     Thickness Diameter  Material"},
    {109, "     Thickness Diameter  Material"},
    {110, "Coin --------- --------- ---------"},
    {111, "Coin --------- --------- ---------"},
    {112, "Values  A   B   C   D   E   F"},
    {114, "Error Displaying PROM Data : "},
    {115, "Error Mapping PROM Data : "},
    {116, "Error Mapping CC Routing Data : "},
    {117, "PROM COPY SOURCE ERROR ME181"},
    {118, "Error Copying Old PROM Data : "},
    {121, "Error Setting Up Validator Test Form : "},
    {122, "No Response from Programmer Box"},
    {123, "Comms Error"},
    {124, "Validator NOT DETECTED"},
    {125, "Validator Check"},
    {126, "Error Checking Validator Connected : "},
    {127, "EEPROM Read"},
    {128, "READING EEPROM IN PROGRESS"},
    {129, "Incompatible CC Interface Board"},
    {130, "Error Reading EEPROM Address : "},
    {131, "NRI Memory Read"},
    {132, "READING MEMORY IN PROGRESS"},
    {133, "No Communication with the NRI Coin Mech"},
    {134, " or Wrong Mech Type"},
    {135, "Check Coin Mech Type and Connections"},
    {136, "Error Reading NRI Memory Address : "},
    {137, "NRI Memory "},
    {138, "PROGRAMMING MEMORY IN PROGRESS"},
    {139, "No Communication with the NRI Coin Mech"},
    {140, " or Wrong Mech Type"},
    {141, "Check Coin Mech Type and Connections"},
    {142, "Error Programming NRI Memory"},
    {143, "NRI Memory Programmed OK"},
    {144, "OK"},
    {145, "Error NRI Memory Programming routine : "},
    {147, "Timeout reading Coin Mech EEPROM"},
    {148, "Checksum Error reading Coin Mech EEPROM Address:"},
    {149, "Error Reading EEPROM Address : "},
    {150, "Error Writing EEPROM Address : "},
    {157, "Error Mapping C120 Outputs : "},
    {200, "Error Adding Coinset References to PROM : "},
    {201, "Put a floppy disk in the drive and close the door."},
    {203, "Unexpected error #"},
    {204, " occurred: "},
    {205, "Error Mapping Data to ME181 PROM : "},
    {206, "Error Sending Data : "},
    {207, "Error Sending Data 2 : "},
    {208, "Error detected"},
    {209, "Error loading Mech Type List : "},
    {210, "Error Clearing Validator Test form : "},
    {213, "Verify PROM OK"},
    {214, "Verify"},
    {215, "Verify PROM FAILED"},
    {217, "Error Mapping Checked PROM Segments : "},
    {218, "Failed to set up validator timings after 5 retries"},
    {219, "Error"},
    {220, "Error setting up Coin Mech Timings : "},
    {221, "Error Checking Mech Type is valid : "},
    {231, "Parameter"},
    {232, "Thickness"},
    {233, "Diameter"},
    {234, "Material"},
    {235, "NFP"},
    {236, "GRO"},
    {237, "NFA"},
    {238, "HFP"},
    {240, "NFP"},
    {241, "GRO"},
    {242, "GRU"},
    {243, "NFA"},
    {244, "RCH"},
    {245, "HFP"},
    {246, "MNF"},
    {247, "GRO"},
    {248, "GRU"},
    {249, "MHF"},
    {250, "NFP"},
    {251, "GRO"},
    {252, "GRU"},
    {253, "NFA"},
    {254, "RCH"},
    {255, "HFP"},
    {300, "Serial Mode Not Set-up"},
    {301, "Error"},
    {302, "Stuck in Serial Comms Mode"},
    {303, "Error Reading EEPROM Address : "},
    {304, "Error parsing CC parameters : "},
    {305, "EEPROM Programming"},
    {306, "WRITING EEPROM IN PROGRESS"},
    {307, "error writing EEPROM address :"},
    {308, "Error"},
    {309, "error writing EEPROM address :"},
    {310, "Error"},
    {311, "Error Writing EEPROM : "},
    {312, "Error Enabling Coin Data : "},
    {313, "Error decoding G13 parameter string : "},
    {314, "Error getting CC coin data : "},
    {315, "Error getting NRI parameter values : "},
    {316, "   EEPROM Verified OK   "},
    {317, "EEPROM VERIFY"},
    {318, "   EEPROM Verify FAIL   "},
    {319, "EEPROM VERIFY"},
    {320, "G18 requires Resistor Link Modification"},
    {321, "or Alternative Interface Board"},
    {322, "G18 Warning"},
    {323, "Error decoding G13 parameter string : "},
    {324, "Error mapping old NRI parameters : "},
    {325, "Hardware error : I2C Clock and Data lines stuck"},
    {326, "Error"},
    {327, "Error setting up I2C mode : "},
    {328, "Error ending I2C mode : "},
    {329, "Error getting I2C data : "},
    {330, "No ACK reading Coin Mech EEPROM"},
    {331, "Error"},
    {332, "Error Reading Sentinel EEPROM Address : "},
    {333, "Error Writing Sentinel EEPROM Address : "},
    {334, "Error sending NRI string :"},
    {400, "Error Updating Checked PROM Segments : "},
    {401, "Error Unloading Coin Measure form : "},
    {402, "Error Updating latest results : "},
    {403, "Error Calculating Stats : "},
    {404, "Error Cancelling Wizard routine : "},
    {405, "Invalid Filename"},
    {406, "Error"},
    {407, "Cancel Operation"},
    {408, "Invalid Coin Mech Type: "},
    {409, "Warning"},
    {410, "Invalid Coin Mech Manufacturer: "},
    {411, "Back to Main Window"},
    {412, "Error: Sensor Idle readings out of Limits"},
    {413, "Idles:       "},
    {416, "Cause:  Incorrect mech type selected or faulty validator"},
    {417, "Error"},
    {418, "Data Gathering Complete"},
    {419, "Complete"},
    {420, "Insert Old PROM to COPY"},
    {421, "Ombrix E+1 : Switch 1 ON and Switch 2 OFF"},
    {422, "Copy PROM"},
    {423, "Remove OLD PROM from Socket"},
    {424, "Error Transferring PROM data : "},
    {425, "PROM Segment"},
    {426, "Coin Channel"},
    {427, "Coin Channel"},
    {428, "Output Line"},
    {429, "Error in Wizard routine : "},
    {430, "Error Loading Coin Measurement form : "},
    {431, "Error Updating Results Display : "},
    {432, "Error Calculating target coin number : "},
    {433, "Slug 3SD Limits"},
    {434, "Slug Separation"},
    {435, "Error Showing Slug display format : "},
    {436, "PROM Limits"},
    {437, "Limit Source"},
    {438, "Error Showing Coin display format : "},
    {439, "Error handling 1K option in Coin Measure form : "},
    {440, "Error handling 2K option in Coin Measure form : "},
    {441, "Error Building Target Coin list : "},
    {442, "Error Adding Coin to Target list : "},
    {443, "Error Building Segment list : "},
    {444, "Capture Measurements : "},
    {445, "Back to Main Window"},
    {446, "Number of Coins Remaining"},
    {447, "Error Initialising Coin Measure Form : "},
    {448, "Overwrite Existing File"},
    {449, "Warning"},
    {450, "Error Clearing Initial Prom Data : "},
    {451, "Too Many Slug Records"},
    {452, "Coinset Error"},
    {453, "Too Many Coins to One Channel"},
    {454, "Coinset Error"},
    {455, "Error Parsing Data Records for transfer : "},
    {456, "Pass 1 Eliminating ("},
    {457, ") - on parameter"},
    {458, " Reading "},
    {459, " Means "},
    {460, "Pass 2 Eliminating ("},
    {461, ") - on parameter"},
    {462, " Reading "},
    {463, " Means "},
    {464, " Coin Fliers detected"},
    {465, "Need to redrop "},
    {466, " Coins"},
    {467, "Press OK to accept Elimination of Fliers"},
    {468, "Press CANCEL to Skip Elimination"},
    {469, "Data Error"},
    {470, "Error in Flier Elimination Routine : "},
    {471, "Wizard"},
    {472, "Cancel Operation"},
    {476, "Invalid Coin Value has been Set"},
    {477, "Must be a multiple of: "},
    {478, "Error"},
    {484, "Coin to Add or Replace"},
    {485, "Coin to Measure"},
    {486, "Start Coin Drop"},
    {487, "Gathered Coin Data"},
    {488, "Slug to Fix"},
    {489, "Start Slug Drop"},
    {490, "Gathered Slug Data"},
    {494, "Gathered Coin "},
    {495, "Error Gathering Coin Drop data : "},
    {510, "Coinset Description"},
    {511, "Ref. Code"},
    {512, "Ver."},
    {513, "Coin Channel"},
    {514, "Coin Description"},
    {515, "Mech. Type"},
    {516, "Number of Coins Remaining"},
    {517, "Measurements"},
    {518, "Parameter 1"},
    {519, "Parameter 2"},
    {520, "Parameter 3"},
    {521, "Parameter 4"},
    {522, "Parameter 5"},
    {523, "Parameter 6"},
    {524, "Measurement"},
    {525, "Mean"},
    {526, "SD"},
    {527, "Lowest/Highest"},
    {528, "Limit Source"},
    {529, "Offset"},
    {530, "PROM Limits"},
    {531, "Log Results"},
    {532, "PROM size"},
    {533, "PROM Segments"},
    {534, "Run Coinset File"},
    {535, "Wizards"},
    {536, "Cancel Operation"},
    {537, "Coin Wizards"},
    {538, "Mech Type"},
    {539, "PROM Segment"},
    {540, "Coin Channel"},
    {541, "Inhibit Line"},
    {542, "Coin Value"},
    {543, "Choose the coin, then the wizard"},
    {544, "Add/Replace Coin"},
    {545, "Edit Limits"},
    {546, "Slug Fix"},
    {547, "Cancel"},
    {548, "Duplicate Segments"},
    {549, "Clone Coin Mech"},
    {550, "Open Coinset File"},
    {551, "Open Log File"},
    {560, "Important:"},
    {561, "Due to variations between coin validators, no guarantee is given"},
    {562, "or implied as to the specific performance of mechanisms programmed"},
    {563, "using this generic coinset. Please verify that the coin discrimination"},
    {564, "after programming is satisfactory for your application"},
    {565, "Click OK to proceed"},
    {566, "File: "},
    {567, "Line "},
    {568, ", field "},
    {569, "Reference coin not gathered in this run:"},
    {570, "Channel "},
    {571, " needs reference R"},
    {572, "These channels are left without windows."},
    {573, "The mech's memory could not be read completely, so the coins that keep their present windows have none."},
    {574, "Press Restore Limits to read the mech again before programming."},
    {575, "Mech Memory"},
    {576, "The file is empty."},
    {577, "line 1 holds the mech type, title, reference code and version"},
    {578, "The file ends after line 1."},
    {579, "A coin set holds at most %1 coin, slug and reference records."},
    {580, "No CD, CR or CO record: the transfer would leave every coin window empty."},
    {581, "The line holds %1 characters; at most %2 are allowed."},
    {582, "The line has %1 fields; %2 expected (%3)."},
    {583, "A number is expected."},
    {584, "The number is too large."},
    {585, "The value must lie between %1 and %2."},
    {586, "flier tolerance of parameter %1"},
    {587, "number of coins"},
    {588, "No coin channel 1 to %1 of this model has this name."},
    {589, "A reference number 1 to %1 is expected."},
    {590, "The limit source must be 3, 2, M, L, H or F."},
    {591, "PROM size, four segments, six idle limits"},
    {592, "PROM segment %1"},
    {593, "low idle limit of sensor %1"},
    {594, "high idle limit of sensor %1"},
    {595, "%1 parameters of %2"},
    {596, "coin name"},
    {597, "low limit source of parameter %1"},
    {598, "low limit value of parameter %1"},
    {599, "high limit source of parameter %1"},
    {600, "high limit value of parameter %1"},
    {601, "low limit reference of parameter %1"},
    {602, "low limit offset of parameter %1"},
    {603, "high limit reference of parameter %1"},
    {604, "high limit offset of parameter %1"},
    {605, "the channel and the channel it copies"},
    {606, "coin to copy"},
    {607, "slug offset of parameter %1"},
    {608, "slug channel"},
    {609, "reference name"},
    {610, "16 coin values and the multiple"},
    {611, "value of channel %1"},
    {612, "multiple"},
    {613, "%1 data"},
    {614, "value %1"},
    {615, "\"x\" must be followed by 1 to 8 hex digits."},
    {616, "The value is too large."},
    {617, "coin data"},
    {618, "Character %1 of the coin data is wrong or missing: hex digits are needed at 1 to %2 and %3 to %4, %5 characters in all."},
    {619, "The file cannot be read: "},
    {620, "not a coin set file"},
    {700, "Error Unloading EEPROM Data form : "},
    {701, "Invalid Filename"},
    {702, "Error"},
    {703, "Confirm overwrite EEPROM"},
    {704, "Write EEPROM"},
    {705, "Error Programming EEPROM routine : "},
    {706, "Error in Read EEPROM command : "},
    {707, "Error Refreshing the EEPROM display : "},
    {708, "Confirm overwrite EEPROM"},
    {709, "Write EEPROM"},
    {712, "Invalid Routing Path entered"},
    {713, "Error"},
    {714, "Invalid Binary Code entered"},
    {715, "Error"},
    {716, "Error Programming Routing Data : "},
    {717, "File Save"},
    {718, "Overwrite Existing File"},
    {719, "Warning"},
    {720, "Error Programming EEPROM routine : "},
    {721, "Error Loading EEPROM Data form : "},
    {722, "Hex Data "},
    {723, "Limits"},
    {724, "Other Information"},
    {725, "Error Initialising EEPROM display form : "},
    {726, "C450 Routing"},
    {727, "Coin "},
    {728, "Route "},
    {729, "Sentinel Routing"},
    {730, "Coin "},
    {731, "Route : "},
    {732, "C120 Output Mapping"},
    {733, "Jaguar C120 Output"},
    {734, "New C120 Output"},
    {735, "No other Information available"},
    {736, "Error Displaying EEPROM Data : "},
    {737, "The mech's memory could not be read completely, so the limits editor keeps the image it had."},
    {750, "DATA READ FROM EEPROM"},
    {751, "C435 Ancilliary Settings"},
    {752, "Path"},
    {753, "1st"},
    {754, "2nd"},
    {755, "3rd"},
    {756, "4th"},
    {757, "Binary"},
    {758, "Routing"},
    {759, "Memory"},
    {760, "Plug"},
    {761, "Plug Default Route"},
    {762, "Mech Type"},
    {763, "Display"},
    {764, "Read EEPROM"},
    {765, "Save to File"},
    {766, "Programme Routing"},
    {767, "Programme from File"},
    {768, "Close Window"},
    {800, "Error loading Program CC Mech form : "},
    {801, "Error loading NRI Program Mech form : "},
    {802, "Error launching NRI Utility form : "},
    {803, "Error launching CC Utility form : "},
    {804, "Error launching Validator Test form : "},
    {805, "Error loading Program Mars Mech form : "},
    {806, "Error launching Validator Test form : "},
    {807, "Error launching PROM Utilities form : "},
    {808, "Error launching Validator Test form : "},
    {809, "Error in COM port reception routine : "},
    {810, "Quenby is already Running"},
    {811, "Error"},
    {815, "Error loading Main form : "},
    {816, "Battery Low"},
    {817, "Warning"},
    {818, "Error Decoding Received data : "},
    {819, "Error Displaying Accepted Coin : "},
    {820, "Error Decoding Idle Values : "},
    {821, "Error Displaying G10 Accepted Coin : "},
    {823, "Error Initialising the selected COM port : "},
    {824, "Windows has port COM"},
    {825, " open already"},
    {826, "Error"},
    {830, "Error Decoding Timing Values : "},
    {831, "Error Counting down timer 1 : "},
    {832, "Error Writing Config Default File : "},
    {833, "Error Counting down timer 2 : "},
    {834, "Error Counting down timer 3 : "},
    {835, "Error Making Sound : "},
    {850, "Configuration"},
    {856, "Language"},
    {858, "Save Config"},
    {859, "Cancel"},
    {860, "Program Mech"},
    {861, "Validator Test"},
    {862, "PROM Utilities"},
    {863, "Program Mech"},
    {864, "Validator Test"},
    {865, "EEPROM Utilities"},
    {866, "Program Mech"},
    {867, "Validator Test"},
    {868, "Memory Utilities"},
    {872, "Exit"},
    {874, "Change Config"},
    {875, "Software Version Number"},
    {876, "Programmer Version Number"},
    {900, "Error Unloading EEPROM Data form : "},
    {903, "File Open"},
    {904, "Invalid Filename"},
    {905, "Error"},
    {906, "Confirm overwrite Memory"},
    {907, "Write EEPROM"},
    {908, "Memory Write"},
    {909, "WRITING MEMORY IN PROGRESS"},
    {910, "Data Written OK"},
    {911, "OK"},
    {912, "Error Writing Data"},
    {913, "Error"},
    {914, "Error Programming NRI Memory routine : "},
    {915, "Error in Read EEPROM command : "},
    {916, "Error Refreshing the Memory display : "},
    {917, "File Save"},
    {918, "Overwrite Existing File"},
    {919, "Warning"},
    {920, "Error Programming NRI data file : "},
    {921, "Error Loading EEPROM Data form : "},
    {922, "Limits"},
    {923, "Parameter Map"},
    {924, "Compensation Map"},
    {925, "Other Information"},
    {926, "Error Initialising NRI memory display form : "},
    {927, "Coin "},
    {928, "Parameter "},
    {929, "NFP"},
    {930, "GRO"},
    {931, "GRU"},
    {932, "NFA"},
    {933, "RCH"},
    {934, "HFP"},
    {935, "Coin "},
    {936, "00=hfp  01=nfa  02=gro  03=hfa  04=nfp  05=hxn  06=hxa  07=snp"},
    {937, "08=shp  09=m09  10=m10  11=m11  12=m12  13=m13  14=m14  15=m15"},
    {938, "CP1H = "},
    {939, "   CP1L = "},
    {940, "   CP2H = "},
    {941, "   CP2L = "},
    {942, "Output Hex   Inhibit No      Value    Pulses"},
    {943, "Coin "},
    {944, "Value Multiplier: "},
    {945, "Value"},
    {946, "Coin "},
    {947, "Value"},
    {948, "LMR"},
    {949, "Map"},
    {950, "Coin "},
    {951, "Lowest Value      "},
    {952, "Left Tube Value   "},
    {953, "Mid Tube Value    "},
    {954, "Right Tube Value  "},
    {955, "Value"},
    {956, "Coin "},
    {957, "Value Multiplier: "},
    {958, "Last Adjustment:  "},
    {959, "Error Displaying EEPROM Data : "},
    {970, "DATA READ FROM NRI MEMORY"},
    {971, "Mech Type"},
    {972, "Display"},
    {973, "Read Memory"},
    {974, "Save to File"},
    {975, "Programme from File"},
    {976, "Close Window"},
    {977, "Output Hex   Inhibit No      Value    Pulses   Route"},
    {1000, "Checking for Communication with Quenby"},
    {1100, "PROM PROGRAMMING IN PROGRESS"},
    {1101, "Segment"},
    {1200, "Error Unloading PROM form : "},
    {1201, "Error Changing PROM Limits : "},
    {1202, "Error Launching PROM Data form : "},
    {1203, "Limits edited - OK to use new values "},
    {1204, "CANCEL to abort programming"},
    {1205, "Limits Changed"},
    {1208, "Insert "},
    {1209, " Bipolar PROM"},
    {1210, "Load PROM"},
    {1211, "Bipolar PROM is not blank"},
    {1212, "Press OK to programme anyway"},
    {1213, "Press CANCEL to abort"},
    {1214, "PROM"},
    {1215, "Insert Ombrix E+1 PROM : BOTH SWITCHES ON"},
    {1216, "Load PROM"},
    {1217, "Ombrix E+1 PROM : TURN SWITCH 2 OFF"},
    {1218, "Load PROM"},
    {1219, "Error Programming PROM routine : "},
    {1220, "Error Restoring Limits : "},
    {1221, "Error Launching Validator Test : "},
    {1222, "Error Clearing Overlap Colours : "},
    {1223, "Error Calculating Overlap of Limits : "},
    {1224, "Error Calculating Acceptance / Rejection Rates : "},
    {1225, "Error Displaying Acceptance Rates : "},
    {1226, "Display PROM Segment"},
    {1227, "Program New PROM"},
    {1228, "PROM Utilities"},
    {1229, "Coin "},
    {1230, "Display EEPROM Segment"},
    {1231, "Program EEPROM"},
    {1232, "EEPROM Utilities"},
    {1233, "Coin "},
    {1234, "Error Initialising Limits Display form : "},
    {1235, "Limits edited - using new values "},
    {1236, "Limits Changed"},
    {1237, "Coin "},
    {1238, "Coin "},
    {1239, "Error Selecting PROM Segments : "},
    {1246, "No PROM segment chosen for programming lies on a "},
    {1247, " PROM: nothing would be burnt."},
    {1250, "Limits"},
    {1251, "Thickness"},
    {1252, "Thickness"},
    {1253, "Thickness"},
    {1254, "Thickness"},
    {1255, "Thickness"},
    {1256, "Thickness"},
    {1257, "Est Acceptance %"},
    {1258, "Coin A"},
    {1259, "Coin A"},
    {1260, "Coin A"},
    {1261, "Coin A"},
    {1262, "Coin A"},
    {1263, "Coin A"},
    {1264, "Coin A"},
    {1265, "Coin A"},
    {1266, "Est. Rejection %"},
    {1267, "Slug 1"},
    {1268, "Slug 2"},
    {1269, "Slug 3"},
    {1270, "Slug 4"},
    {1271, "Slug 5"},
    {1272, "Slug 6"},
    {1273, "Restore Limits"},
    {1274, "Change Limits"},
    {1275, "Display PROM segments"},
    {1276, "PROM size"},
    {1277, "Mech Type"},
    {1278, "Target PROM Type"},
    {1279, "Ombrix E+1"},
    {1280, "Bipolar"},
    {1281, "Program New PROM"},
    {1282, "Validator Test"},
    {1283, "PROM Utilities"},
    {1284, "Back to Measurement Window"},
    {1301, "Error Selecting PROM Size for display : "},
    {1302, "Error Unloading PROM Data form : "},
    {1303, "Error in Read PROM command : "},
    {1304, "Error Refreshing the PROM display : "},
    {1305, "Error Loading PROM Data form : "},
    {1306, "Data Addr 0-255"},
    {1307, "Limits Segs 1 & 2"},
    {1308, "Data Addr 256-511"},
    {1309, "Limits Segs 3 & 4"},
    {1310, "Data Addr 0-255"},
    {1311, "Limits & Values"},
    {1312, "Data Addr 256-511"},
    {1313, "Error Building PROM display selection lists : "},
    {1314, "Error Initialising PROM display form : "},
    {1350, "DATA READ FROM PROM"},
    {1351, "NEW PROM DATA TO PROGRAM"},
    {1352, "Mech Type"},
    {1353, "Display"},
    {1354, "PROM size"},
    {1355, "Read PROM"},
    {1356, "Close Window"},
    {1400, "Error Closing Validator Test form : "},
    {1401, "Error Opening Validator Test form : "},
    {1402, "Coin "},
    {1403, "Coin "},
    {1404, "Rejected"},
    {1405, "Error setting up Validator Test form display : "},
    {1406, "Remove Programming Loom"},
    {1420, "Coin Count"},
    {1421, "Coin Count"},
    {1422, "Mech Type"},
    {1423, "Coin A"},
    {1424, "Coin B"},
    {1425, "Coin C"},
    {1426, "Coin D"},
    {1427, "Coin E"},
    {1428, "Coin F"},
    {1429, "Coin G"},
    {1430, "Coin H"},
    {1431, "Coin I"},
    {1432, "Rejected"},
    {1433, "Rejected"},
    {1434, "Rejected"},
    {1435, "Rejected"},
    {1436, "Rejected"},
    {1437, "Rejected"},
    {1438, "Rejected"},
    {1439, "Output Mode"},
    {1440, "Single"},
    {1441, "Binary"},
    {1442, "Clear Counts"},
    {1443, "Back to Main Menu"},
    {1445, "Tube L"},
    {1446, "Tube M"},
    {1447, "Tube R"},
    {1448, "Cashbox"},
};

const BuiltIn* findBuiltIn(int id)
{
    const auto it = std::lower_bound(std::begin(kEnglish), std::end(kEnglish), id,
                                     [](const BuiltIn& b, int v) { return b.id < v; });
    return it != std::end(kEnglish) && it->id == id ? it : nullptr;
}

plat::RuntimeError subscriptError()
{
    return plat::RuntimeError(plat::err::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
}

// A number with one leading blank, or its minus sign in that place.
QString blankLed(int n) { return n < 0 ? QString::number(n) : QStringLiteral(" ") + QString::number(n); }

} // namespace

bool TextTable::hasBuiltIn(int id) { return findBuiltIn(id) != nullptr; }

QString TextTable::builtInText(int id)
{
    if (const BuiltIn* b = findBuiltIn(id))
        return QString::fromLatin1(b->text);
    throw plat::RuntimeError(plat::err::SubscriptOutOfRange,
                             QStringLiteral("Text %1 is not in the built-in table").arg(id));
}

QList<int> TextTable::builtInIds()
{
    QList<int> ids;
    for (const BuiltIn& b : kEnglish)
        ids.append(b.id);
    return ids;
}

QString TextTable::getText(int id) const
{
    if (languageName != u"English" && textTableLoaded) {
        if (id < 0 || id > kMaxId)
            throw subscriptError();
        return textTable[std::size_t(id)];
    }
    return builtInText(id);
}

QString TextTable::languageFileName(const QString& language)
{
    if (language == QStringLiteral("Espa\u00f1ol"))
        return QStringLiteral("Espanol.txt");
    if (language == u"Deutsch")
        return QStringLiteral("Deutsch.txt");
    if (language == u"Francais")
        return QStringLiteral("Francais.txt");
    return {};
}

namespace {
// The id field of a language file line: a number and nothing else (quotes dropped, blanks around).
bool isNumberField(const QString& field)
{
    static const QRegularExpression number(
        QStringLiteral(R"(^[ \t]*[+-]?(([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?|&[Hh][0-9A-Fa-f]+|&[Oo][0-7]+)[ \t]*$)"));
    return number.match(field).hasMatch();
}

// A line that is not `id,text` or names no text of the program: a damaged or foreign file.
plat::RuntimeError notATextLine()
{
    return plat::RuntimeError(plat::err::TypeMismatch, QStringLiteral("Not an id,text line of a known text id"));
}
} // namespace

void TextTable::loadLanguageFile(const QString& programFolder, plat::Dialogs& dialogs)
{
    const QString fileName = languageFileName(languageName);
    if (languageName == u"English" || fileName.isEmpty())
        return;

    const ErrorReporter reporter(*this, dialogs);
    const auto trap = [&](const std::exception& e) { reporter.reportContext(kLanguageLoadContext, e); };
    const QString path = QDir(programFolder).filePath(fileName);
    const auto refuse = [&](const QString& text) {
        dialogs.msgBox(text, plat::mb::Critical | plat::mb::OKOnly, QStringLiteral("Error"));
    };
    const QString textsKept = QStringLiteral("The texts stay as they were.");

    if (!shared::fileExists(path, dialogs, fileExistsTexts(), trap)) {
        refuse(QStringLiteral("Invalid Language Filename"));
        return;
    }
    // A complete translation is a few hundred kilobytes; anything far larger is not one, and is
    // not read into memory to find that out.
    const qint64 size = QFileInfo(path).size();
    if (size > kMaxLanguageFileBytes) {
        refuse(QStringLiteral("The language file %1 holds %2 bytes, more than a language file can (%3): it was "
                              "not read.\r\n%4")
                   .arg(QDir::toNativeSeparators(path))
                   .arg(size)
                   .arg(kMaxLanguageFileBytes)
                   .arg(textsKept));
        return;
    }

    const plat::TextLines file = plat::readLines(path);
    if (!file.ok) {
        trap(plat::RuntimeError(file.errorNumber, file.error));
        return;
    }
    const bool empty =
        std::all_of(file.lines.begin(), file.lines.end(), [](const QString& l) { return l.trimmed().isEmpty(); });
    if (empty) {
        refuse(QStringLiteral("The language file %1 is empty.\r\n%2").arg(QDir::toNativeSeparators(path), textsKept));
        return;
    }
    // Into a copy: a file that gives no text leaves the texts as they were.
    auto table = textTable;
    int textsRead = 0;
    int badLines = 0;
    int firstBadLine = 0;
    plat::ErrInfo firstError;
    for (qsizetype k = 0; k < file.lines.size(); ++k) {
        const QString& line = file.lines.at(k);
        if (line.trimmed().isEmpty())
            continue;
        try {
            CsvCursor csv{line, 1};
            const QString idField = csv.nextCsvField();
            if (!isNumberField(idField) || csv.csvPos - 1 > line.size() || line.at(csv.csvPos - 2) != u',')
                throw notATextLine();
            const int id = plat::cLng(plat::val(idField));
            QString text = csv.nextCsvField();
            if (text.startsWith(u' '))
                text.remove(0, 1);
            if (id < 0 || id > kMaxId)
                throw subscriptError();
            if (!hasBuiltIn(id))
                throw notATextLine();
            table[std::size_t(id)] = text;
            ++textsRead;
        } catch (const std::exception& e) {
            if (badLines++ == 0) {
                firstBadLine = int(k);
                firstError = plat::errInfo(e);
            }
        }
    }
    if (badLines > 0) {
        // One box for the whole file: the first bad line and how many were skipped.
        QString more = QStringLiteral("Line %1: %2\r\n%3 %4 skipped")
                           .arg(firstBadLine + 1)
                           .arg(file.lines.at(firstBadLine).left(50))
                           .arg(badLines)
                           .arg(badLines == 1 ? QStringLiteral("line") : QStringLiteral("lines"));
        if (textsRead == 0)
            more += QStringLiteral("\r\nNo line of the file holds a text of the program. ") + textsKept;
        reporter.reportContext(kLanguageLoadContext, plat::RuntimeError(firstError.number, firstError.description),
                               more);
    }
    if (textsRead == 0)
        return;
    textTable = table;
    textTableLoaded = true;
}

QString errorHead(int id, const QString& text) { return blankLed(id) + u' ' + text + u' '; }

QString ErrorReporter::title() const
{
    try {
        return texts_.getText(208);
    } catch (const std::exception&) {
        return QStringLiteral("Error detected");
    }
}

bool ErrorReporter::trap(int id, const std::function<void()>& fn) const
{
    bool ok = true;
    plat::trap(fn, [&](const std::exception& e) {
        ok = false;
        reportError(id, e);
    });
    return ok;
}

void ErrorReporter::reportError(int id, const std::exception& e, const QString& more) const
{
    if (repeatFilter_ && !repeatFilter_(id, plat::errInfo(e).number))
        return;
    // A bad id must not turn the report itself into a second, untrapped error.
    QString text;
    try {
        text = texts_.getText(id);
    } catch (const std::exception&) {
    }
    reportContext(errorHead(id, text), e, more);
}

void ErrorReporter::reportContext(const QString& context, const std::exception& e, const QString& more) const
{
    QString body = plat::errorBoxBody(context, e);
    if (!more.isEmpty())
        body += QStringLiteral("\r\n") + more;
    dialogs_.msgBox(body, plat::mb::Critical | plat::mb::OKOnly, title());
}

} // namespace quenby
