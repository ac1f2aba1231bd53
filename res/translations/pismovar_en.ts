<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="cs">
<context>
    <name>CConverterDlg</name>
    <message>
        <source>Vstupní soubor</source>
        <translation>Input file</translation>
    </message>
    <message>
        <source>Vybrat vstupní soubory</source>
        <translation>Choose input files</translation>
    </message>
    <message>
        <source>Výstupní soubor</source>
        <translation>Output file</translation>
    </message>
    <message>
        <source>Vybrat výstupní soubor</source>
        <translation>Choose the output file</translation>
    </message>
    <message>
        <source>Schránka neobsahuje žádný text.</source>
        <translation>The clipboard holds no text.</translation>
    </message>
    <message>
        <source>Text vypadá jako %1 přečtené jako %2 a znovu uložené; opraví ho pismovar-cli --repair.</source>
        <translation>The text looks like %1 read as %2 and saved again; pismovar-cli --repair mends it.</translation>
    </message>
    <message>
        <source>Nejistý odhad: %1 (nebo %2). Ověřte kódování.</source>
        <translation>Uncertain guess: %1 (or %2). Check the encoding.</translation>
    </message>
    <message>
        <source>Nejistý odhad: %1. Ověřte kódování.</source>
        <translation>Uncertain guess: %1. Check the encoding.</translation>
    </message>
    <message>
        <source>Rozpoznáno: %1 (jistota %2 %)</source>
        <translation>Recognised: %1 (%2 % sure)</translation>
    </message>
    <message>
        <source>Text souboru %1 vypadá jako %2 přečtené jako %3 a znovu uložené. Opravit ho?</source>
        <translation>The text of the file %1 looks like %2 read as %3 and saved again. Repair it?</translation>
    </message>
    <message>
        <source>Opraveno: %1 přečtené jako %2, písmen: %3.</source>
        <translation>Repaired: %1 read as %2, letters: %3.</translation>
    </message>
    <message>
        <source>Text ve schránce vypadá jako %1 přečtené jako %2 a znovu uložené. Opravit ho?</source>
        <translation>The clipboard&apos;s text looks like %1 read as %2 and saved again. Repair it?</translation>
    </message>
</context>
<context>
    <name>CHelpDlg</name>
    <message>
        <source>Nápověda – Pismovar</source>
        <translation>Help – Pismovar</translation>
    </message>
</context>
<context>
    <name>CProgressDlg</name>
    <message>
        <source>Převádím soubor %1 (%2 z %3)</source>
        <translation>Converting file %1 (%2 of %3)</translation>
    </message>
    <message>
        <source>Převádím soubor %1</source>
        <translation>Converting file %1</translation>
    </message>
    <message>
        <source>Ukládám převedený text na disk...</source>
        <translation>Writing the converted text to disk...</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Neplatný přepínač: %1</source>
        <translation>Invalid switch: %1</translation>
    </message>
</context>
<context>
    <name>ConsoleRun</name>
    <message>
        <source>Není k dispozici žádný displej (X11 ani Wayland). Bez oken program převede jen soubor zadaný s přepínači, například: pismovar /41 /00 &quot;email.txt&quot;</source>
        <translation>No display is available (neither X11 nor Wayland). Without windows the program converts only a file given with switches, for example: pismovar /41 /00 &quot;email.txt&quot;</translation>
    </message>
    <message>
        <source>Bez displeje není schránka dostupná.</source>
        <translation>Without a display the clipboard is not available.</translation>
    </message>
</context>
<context>
    <name>Dialog</name>
    <message>
        <source>Informace</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Projekt Pismovar
Nástroje pro český text</source>
        <translation>The Pismovar project
Tools for Czech text</translation>
    </message>
    <message>
        <source>Pokud se Vám program líbí, pak mi pošlete e-mail.</source>
        <translation>If you like the program, send me an e-mail.</translation>
    </message>
    <message>
        <source>O programu Pismovar</source>
        <translation>About Pismovar</translation>
    </message>
    <message>
        <source>Kamenických</source>
        <translation>Kamenický</translation>
    </message>
    <message>
        <source>&amp;Vstupní soubor</source>
        <translation>&amp;Input file</translation>
    </message>
    <message>
        <source>Výstupní &amp;soubor</source>
        <translation>O&amp;utput file</translation>
    </message>
    <message>
        <source>Pismovar 3.5.0 – konverze češtiny</source>
        <translation>Pismovar 3.5.0 – Czech text conversion</translation>
    </message>
    <message>
        <source>Provádím konverzi souborů...</source>
        <translation>Converting files...</translation>
    </message>
    <message>
        <source>Konverze češtiny</source>
        <translation>Czech Conversion</translation>
    </message>
    <message>
        <source>Průběh</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>Konverze češtiny mezi různými kódy.</source>
        <translation>Converts Czech text between code pages.</translation>
    </message>
    <message>
        <source>© 2026 projekt Pismovar</source>
        <translation>© 2026 the Pismovar project</translation>
    </message>
    <message>
        <source>Licence GNU GPL 3.0 nebo novější</source>
        <translation>Licence: GNU GPL 3.0 or later</translation>
    </message>
    <message>
        <source>&amp;Otevřít...</source>
        <translation>&amp;Open...</translation>
    </message>
    <message>
        <source>Vstup dat ze sc&amp;hránky Windows</source>
        <translation>Input data from the clip&amp;board</translation>
    </message>
    <message>
        <source>Kó&amp;dování</source>
        <translation>&amp;Encoding</translation>
    </message>
    <message>
        <source>Konc&amp;e řádků</source>
        <translation>&amp;Line ends</translation>
    </message>
    <message>
        <source>Úplná de&amp;tekce</source>
        <translation>Full &amp;detection</translation>
    </message>
    <message>
        <source>&amp;Uložit jako...</source>
        <translation>Save &amp;as...</translation>
    </message>
    <message>
        <source>Výstup d&amp;at do schránky Windows</source>
        <translation>Output data to the &amp;clipboard</translation>
    </message>
    <message>
        <source>Kódová&amp;ní</source>
        <translation>E&amp;ncoding</translation>
    </message>
    <message>
        <source>Kon&amp;ce řádků</source>
        <translation>Line end&amp;s</translation>
    </message>
    <message>
        <source>P&amp;roveď konverzi</source>
        <translation>Con&amp;vert</translation>
    </message>
    <message>
        <source>Ná&amp;pověda</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>&amp;Konec</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>&amp;Zrušit</source>
        <translation>&amp;Cancel</translation>
    </message>
</context>
<context>
    <name>OutcomeText</name>
    <message>
        <source>Není to obyčejný soubor, ale složka, roura nebo zařízení.</source>
        <translation>It is not a regular file but a folder, a pipe or a device.</translation>
    </message>
    <message>
        <source>Výstupní soubor je vstupní soubor.</source>
        <translation>The output file is the input file.</translation>
    </message>
    <message>
        <source>Jiný program soubor během konverze změnil, přesunul nebo nahradil; soubor zůstal, jak byl.</source>
        <translation>Another program changed, moved or replaced the file during the conversion; the file was left as it was.</translation>
    </message>
    <message>
        <source>Tento soubor právě převádí jiná konverze.</source>
        <translation>Another conversion is working on this file.</translation>
    </message>
    <message>
        <source>Je to symbolický odkaz.</source>
        <translation>It is a symbolic link.</translation>
    </message>
    <message>
        <source>Převedený soubor nemůže převzít vlastníka a skupinu původního; soubor zůstal, jak byl.</source>
        <translation>The converted file cannot take the owner and group of the original; the file was left as it was.</translation>
    </message>
    <message>
        <source>Převedený soubor nemůže převzít přístupová práva, ACL nebo rozšířené atributy původního; soubor zůstal, jak byl.</source>
        <translation>The converted file cannot take the permissions, ACLs or extended attributes of the original; the file was left as it was.</translation>
    </message>
    <message>
        <source>Soubor: %1</source>
        <translation>File: %1</translation>
    </message>
    <message>
        <source>Důvod: %1</source>
        <translation>Reason: %1</translation>
    </message>
    <message>
        <source>Do složky %1 nelze zapsat převedený text.</source>
        <translation>The converted text cannot be written to the folder %1.</translation>
    </message>
    <message>
        <source>Nedostatek paměti; soubor zůstal, jak byl.</source>
        <translation>Not enough memory; the file was left as it was.</translation>
    </message>
</context>
<context>
    <name>QAbstractFileIconProvider</name>
    <message>
        <source>Drive</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>Folder</source>
        <comment>All other platforms</comment>
        <translation>Folder</translation>
    </message>
</context>
<context>
    <name>QPlatformTheme</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Save All</source>
        <translation>Save All</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>Yes to &amp;All</source>
        <translation>Yes to &amp;All</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>N&amp;o to All</source>
        <translation>N&amp;o to All</translation>
    </message>
    <message>
        <source>Abort</source>
        <translation>Abort</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Retry</translation>
    </message>
    <message>
        <source>Ignore</source>
        <translation>Ignore</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Discard</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>Restore Defaults</source>
        <translation>Restore Defaults</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>&amp;O programu Pismovar...</source>
        <translation>&amp;About Pismovar...</translation>
    </message>
    <message>
        <source>Vstupní soubor není možné otevřít!</source>
        <translation>The input file cannot be opened!</translation>
    </message>
    <message>
        <source>Výstupní soubor není možné otevřít!</source>
        <translation>The output file cannot be opened!</translation>
    </message>
    <message>
        <source>Detekuji kodování a konce řádků vstupního souboru.</source>
        <translation>Detecting the encoding and line ends of the input file.</translation>
    </message>
    <message>
        <source>Detekce přerušena uživatelem po stlačení tlačítka &apos;Zrušit&apos;!</source>
        <translation>Detection cancelled by the user with the &apos;Cancel&apos; button!</translation>
    </message>
    <message>
        <source>Chyba: Nelze přejmenovat dočasný soubor Temp.tmp na 
%s!</source>
        <translation>Error: Cannot rename the temporary file Temp.tmp to 
%s!</translation>
    </message>
    <message>
        <source>Konverze přerušena uživatelem po stlačení tlačítka &apos;Zrušit&apos;!</source>
        <translation>Conversion cancelled by the user with the &apos;Cancel&apos; button!</translation>
    </message>
    <message>
        <source>Textové soubory (*.txt)|*.txt|TeX/LaTeX soubory (*.tex)|*.tex|Web soubory (*.htm;*.html)|*.htm;*.html|Programy (*.c;*.cpp;*.h;*.bas)|*.c;*.cpp;*.h;*.bas|Všechny soubory (*.*)|*.*||</source>
        <translation>Text files (*.txt)|*.txt|TeX/LaTeX files (*.tex)|*.tex|Web files (*.htm;*.html)|*.htm;*.html|Programs (*.c;*.cpp;*.h;*.bas)|*.c;*.cpp;*.h;*.bas|All files (*.*)|*.*||</translation>
    </message>
    <message>
        <source>Všechny soubory (*.*)|*.*||</source>
        <translation>All files (*.*)|*.*||</translation>
    </message>
    <message>
        <source>Pismovar verze 3.5.0</source>
        <translation>Pismovar version 3.5.0</translation>
    </message>
    <message>
        <source>Soubor není možné přečíst nebo zapsat!</source>
        <translation>The file cannot be read or written!</translation>
    </message>
    <message>
        <source>Text nelze převést beze ztráty znaků!</source>
        <translation>The text cannot be converted without losing characters!</translation>
    </message>
    <message>
        <source>Nahrazeno znaků: %s</source>
        <translation>Characters replaced: %s</translation>
    </message>
    <message>
        <source>Neplatných sekvencí UTF-8: %s, první na pozici %s</source>
        <translation>Invalid UTF-8 sequences: %s, the first at offset %s</translation>
    </message>
    <message>
        <source>Počet znaků, pro které výstupní kódování nemá místo: %s
Byly nahrazeny podobnými znaky nebo otazníkem v souborech:
%s</source>
        <translation>Characters the output encoding has no place for: %s
They were replaced by similar characters or a question mark in the files:
%s</translation>
    </message>
    <message>
        <source>Parametry programu Pismovar:

%s [/ab [/cd]] [soubor... | Clipboard]
%s -h | --help | -V | --version

Kódová stránka:
a, c 	 0-Win, 1-Kam, 2-Lat, 3-ISO, 4-Mac, 5-Koi8čs, 6-ASC, 7-UTF-8

Konce řádků:
b, d 	 0-Win, 1-Mac, 2-Unix

Názvy souborů:
soubor...	 provede konverzi zadaných souborů, každého na jeho místě
Clipboard	 provede konverzi schránky

Volby:
-h, --help	 vypíše tuto nápovědu
-V, --version	 vypíše verzi programu

S přepínači program převede soubory hned a skončí s kódem 0, když převedl všechny, jinak s kódem 1.

Příklad:
%s /41 /00 email.txt
Tímto příkazem zkonvertujeme soubor email.txt z kódování Macintosh do Windows a konce řádků se převedou z Macintosh na Windows.</source>
        <translation>Parameters of Pismovar:

%s [/ab [/cd]] [file... | Clipboard]
%s -h | --help | -V | --version

Code page:
a, c 	 0-Win, 1-Kam, 2-Lat, 3-ISO, 4-Mac, 5-Koi8čs, 6-ASC, 7-UTF-8

Line ends:
b, d 	 0-Win, 1-Mac, 2-Unix

File names:
file...	 converts the given files, each in place
Clipboard	 converts the clipboard

Options:
-h, --help	 prints this help
-V, --version	 prints the program&apos;s version

With switches the program converts the files at once and ends with status 0 when it converted all of them, else with status 1.

Example:
%s /41 /00 email.txt
This command converts the file email.txt from the Macintosh encoding to Windows, and its line ends from Macintosh to Windows.</translation>
    </message>
    <message>
        <source>Počet znaků, pro které výstupní kódování nemá místo: %s
Budou nahrazeny podobnými znaky nebo otazníkem v souborech:
%s</source>
        <translation>Number of characters the output encoding has no place for: %s
They will be replaced by similar characters or a question mark in the files:
%s</translation>
    </message>
    <message>
        <source>Převést soubory přesto? Ne ponechá všechny tyto soubory, jak byly.</source>
        <translation>Convert the files anyway? No leaves all these files as they were.</translation>
    </message>
    <message>
        <source>Konverze přerušena, protože se program zavírá.</source>
        <translation>Conversion cancelled because the program is closing.</translation>
    </message>
    <message>
        <source>Převedeno souborů: %s z %s</source>
        <translation>Files converted: %s of %s</translation>
    </message>
    <message>
        <source>Tyto soubory nebyly v kódování %s a byly převedeny z kódování, které v nich program rozpoznal:
%s</source>
        <translation>These files were not in %s encoding and were converted from the encoding the program recognised in them:
%s</translation>
    </message>
</context>
</TS>
