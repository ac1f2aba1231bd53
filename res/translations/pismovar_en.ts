<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="cs">
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
        <source>Konverze češtiny mezi různými kody.</source>
        <translation>Conversion of Czech text between code pages.</translation>
    </message>
    <message>
        <source>Freeware © 2026 projekt Pismovar</source>
        <translation>Freeware © 2026 the Pismovar project</translation>
    </message>
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
        <source>Vstup dat ze schránky Windows</source>
        <translation>Input data from the clipboard</translation>
    </message>
    <message>
        <source>Kamenických</source>
        <translation>Kamenický</translation>
    </message>
    <message>
        <source>Kodování</source>
        <translation>Encoding</translation>
    </message>
    <message>
        <source>Konce řádků</source>
        <translation>Line ends</translation>
    </message>
    <message>
        <source>Úplná Detekce</source>
        <translation>Full Detection</translation>
    </message>
    <message>
        <source>&amp;Vstupní soubor</source>
        <translation>&amp;Input file</translation>
    </message>
    <message>
        <source>Výstup dat do schránky Windows</source>
        <translation>Output data to the clipboard</translation>
    </message>
    <message>
        <source>Proveď konverzi</source>
        <translation>Convert</translation>
    </message>
    <message>
        <source>Výstupní &amp;soubor</source>
        <translation>&amp;Output file</translation>
    </message>
    <message>
        <source>Konec</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Pismovar 3.5.0 – konverze češtiny</source>
        <translation>Pismovar 3.5.0 – Czech text conversion</translation>
    </message>
    <message>
        <source>Zrušit</source>
        <translation>Cancel</translation>
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
        <source>Parametry programu Pismovar:

pismovar.exe [/ab /cd] [&quot;soubor&quot;]

Kódová stránka:
a, c 	 0-Win, 1-Kam, 2-Lat, 3-ISO, 4-Mac, 5-Koi8čs, 6-ASC

Konce řádků:
b, d 	 0-Win, 1-Mac, 2-Unix

Název souboru:
&quot;filename&quot;	 provede konverzi zadaného souboru soubor
&quot;Clipboard&quot;	 provede konverzi schránky Windows

Příklad:
pismovar /41 /00 &quot;email.txt&quot;
Tímto příkazem zkonvertujeme soubor email.txt z kódování Macintosh do Windows a konce řádků se převedou z Macintosh na Windows.</source>
        <translation>Parameters of Pismovar:

pismovar.exe [/ab /cd] [&quot;file&quot;]

Code page:
a, c 	 0-Win, 1-Kam, 2-Lat, 3-ISO, 4-Mac, 5-Koi8čs, 6-ASC

Line ends:
b, d 	 0-Win, 1-Mac, 2-Unix

File name:
&quot;filename&quot;	 converts the given file
&quot;Clipboard&quot;	 converts the clipboard

Example:
pismovar /41 /00 &quot;email.txt&quot;
This command converts the file email.txt from the Macintosh encoding to Windows, and its line ends from Macintosh to Windows.</translation>
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
</context>
</TS>
