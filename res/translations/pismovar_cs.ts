<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="cs" sourcelanguage="cs">
<context>
    <name>CConverterDlg</name>
    <message>
        <source>Vstupní soubor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vybrat vstupní soubory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Výstupní soubor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vybrat výstupní soubor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Schránka neobsahuje žádný text.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Text vypadá jako %1 přečtené jako %2 a znovu uložené; opraví ho pismovar-cli --repair.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nejistý odhad: %1 (nebo %2). Ověřte kódování.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nejistý odhad: %1. Ověřte kódování.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rozpoznáno: %1 (jistota %2 %)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Text souboru %1 vypadá jako %2 přečtené jako %3 a znovu uložené. Opravit ho?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opraveno: %1 přečtené jako %2, písmen: %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Text ve schránce vypadá jako %1 přečtené jako %2 a znovu uložené. Opravit ho?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CHelpDlg</name>
    <message>
        <source>Nápověda – Pismovar</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CProgressDlg</name>
    <message>
        <source>Převádím soubor %1 (%2 z %3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Převádím soubor %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ukládám převedený text na disk...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Neplatný přepínač: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ConsoleRun</name>
    <message>
        <source>Není k dispozici žádný displej (X11 ani Wayland). Bez oken program převede jen soubor zadaný s přepínači, například: pismovar /41 /00 &quot;email.txt&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bez displeje není schránka dostupná.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Dialog</name>
    <message>
        <source>Informace</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Projekt Pismovar
Nástroje pro český text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pokud se Vám program líbí, pak mi pošlete e-mail.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>O programu Pismovar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kamenických</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Vstupní soubor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Výstupní &amp;soubor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pismovar 3.5.0 – konverze češtiny</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Provádím konverzi souborů...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Konverze češtiny</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Průběh</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Konverze češtiny mezi různými kódy.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>© 2026 projekt Pismovar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Licence GNU GPL 3.0 nebo novější</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Otevřít...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vstup dat ze sc&amp;hránky Windows</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kó&amp;dování</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Konc&amp;e řádků</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Úplná de&amp;tekce</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Uložit jako...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Výstup d&amp;at do schránky Windows</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kódová&amp;ní</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kon&amp;ce řádků</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>P&amp;roveď konverzi</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ná&amp;pověda</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Konec</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Zrušit</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>OutcomeText</name>
    <message>
        <source>Není to obyčejný soubor, ale složka, roura nebo zařízení.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Výstupní soubor je vstupní soubor.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Jiný program soubor během konverze změnil, přesunul nebo nahradil; soubor zůstal, jak byl.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tento soubor právě převádí jiná konverze.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Je to symbolický odkaz.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Převedený soubor nemůže převzít vlastníka a skupinu původního; soubor zůstal, jak byl.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Převedený soubor nemůže převzít přístupová práva, ACL nebo rozšířené atributy původního; soubor zůstal, jak byl.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Soubor: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Důvod: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do složky %1 nelze zapsat převedený text.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nedostatek paměti; soubor zůstal, jak byl.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QAbstractFileIconProvider</name>
    <message>
        <source>Drive</source>
        <translation>Jednotka</translation>
    </message>
    <message>
        <source>Folder</source>
        <comment>All other platforms</comment>
        <translation>Složka</translation>
    </message>
</context>
<context>
    <name>QPlatformTheme</name>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yes to &amp;All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>N&amp;o to All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Abort</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Retry</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ignore</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Discard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Apply</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore Defaults</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>&amp;O programu Pismovar...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vstupní soubor není možné otevřít!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Výstupní soubor není možné otevřít!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Detekuji kodování a konce řádků vstupního souboru.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Detekce přerušena uživatelem po stlačení tlačítka &apos;Zrušit&apos;!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Chyba: Nelze přejmenovat dočasný soubor Temp.tmp na 
%s!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Konverze přerušena uživatelem po stlačení tlačítka &apos;Zrušit&apos;!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Textové soubory (*.txt)|*.txt|TeX/LaTeX soubory (*.tex)|*.tex|Web soubory (*.htm;*.html)|*.htm;*.html|Programy (*.c;*.cpp;*.h;*.bas)|*.c;*.cpp;*.h;*.bas|Všechny soubory (*.*)|*.*||</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Všechny soubory (*.*)|*.*||</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pismovar verze 3.5.0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Soubor není možné přečíst nebo zapsat!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Text nelze převést beze ztráty znaků!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nahrazeno znaků: %s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Neplatných sekvencí UTF-8: %s, první na pozici %s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Počet znaků, pro které výstupní kódování nemá místo: %s
Byly nahrazeny podobnými znaky nebo otazníkem v souborech:
%s</source>
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Počet znaků, pro které výstupní kódování nemá místo: %s
Budou nahrazeny podobnými znaky nebo otazníkem v souborech:
%s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Převést soubory přesto? Ne ponechá všechny tyto soubory, jak byly.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Konverze přerušena, protože se program zavírá.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Převedeno souborů: %s z %s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tyto soubory nebyly v kódování %s a byly převedeny z kódování, které v nich program rozpoznal:
%s</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
