<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="sk" sourcelanguage="cs">
<context>
    <name>ConsoleRun</name>
    <message>
        <source>Není k dispozici žádný displej (X11 ani Wayland). Bez oken program převede jen soubor zadaný s přepínači, například: pismovar /41 /00 &quot;email.txt&quot;</source>
        <translation>Nie je k dispozícii žiadny displej (X11 ani Wayland). Bez okien program prevedie iba súbor zadaný s prepínačmi, napríklad: pismovar /41 /00 &quot;email.txt&quot;</translation>
    </message>
    <message>
        <source>Bez displeje není schránka dostupná.</source>
        <translation>Bez displeja nie je schránka dostupná.</translation>
    </message>
</context>
<context>
    <name>Dialog</name>
    <message>
        <source>Konverze češtiny mezi různými kody.</source>
        <translation>Konverzia češtiny medzi rôznymi kódmi.</translation>
    </message>
    <message>
        <source>Freeware © 2026 projekt Pismovar</source>
        <translation>Freeware © 2026 projekt Pismovar</translation>
    </message>
    <message>
        <source>Informace</source>
        <translation>Informácie</translation>
    </message>
    <message>
        <source>Projekt Pismovar
Nástroje pro český text</source>
        <translation>Projekt Pismovar
Nástroje pre český text</translation>
    </message>
    <message>
        <source>Pokud se Vám program líbí, pak mi pošlete e-mail.</source>
        <translation>Ak sa Vám program páči, pošlite mi e-mail.</translation>
    </message>
    <message>
        <source>O programu Pismovar</source>
        <translation>O programe Pismovar</translation>
    </message>
    <message>
        <source>Vstup dat ze schránky Windows</source>
        <translation>Vstup dát zo schránky</translation>
    </message>
    <message>
        <source>Kamenických</source>
        <translation>Kamenických</translation>
    </message>
    <message>
        <source>Kodování</source>
        <translation>Kódovanie</translation>
    </message>
    <message>
        <source>Konce řádků</source>
        <translation>Konce riadkov</translation>
    </message>
    <message>
        <source>Úplná Detekce</source>
        <translation>Úplná detekcia</translation>
    </message>
    <message>
        <source>&amp;Vstupní soubor</source>
        <translation>&amp;Vstupný súbor</translation>
    </message>
    <message>
        <source>Výstup dat do schránky Windows</source>
        <translation>Výstup dát do schránky</translation>
    </message>
    <message>
        <source>Proveď konverzi</source>
        <translation>Vykonaj konverziu</translation>
    </message>
    <message>
        <source>Výstupní &amp;soubor</source>
        <translation>Výstupný &amp;súbor</translation>
    </message>
    <message>
        <source>Konec</source>
        <translation>Koniec</translation>
    </message>
    <message>
        <source>Pismovar 3.5.0 – konverze češtiny</source>
        <translation>Pismovar 3.5.0 – konverzia češtiny</translation>
    </message>
    <message>
        <source>Zrušit</source>
        <translation>Zrušiť</translation>
    </message>
    <message>
        <source>Provádím konverzi souborů...</source>
        <translation>Vykonávam konverziu súborov...</translation>
    </message>
    <message>
        <source>Konverze češtiny</source>
        <translation>Konverzia češtiny</translation>
    </message>
    <message>
        <source>Průběh</source>
        <translation>Priebeh</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>&amp;O programu Pismovar...</source>
        <translation>&amp;O programe Pismovar...</translation>
    </message>
    <message>
        <source>Vstupní soubor není možné otevřít!</source>
        <translation>Vstupný súbor nie je možné otvoriť!</translation>
    </message>
    <message>
        <source>Výstupní soubor není možné otevřít!</source>
        <translation>Výstupný súbor nie je možné otvoriť!</translation>
    </message>
    <message>
        <source>Detekuji kodování a konce řádků vstupního souboru.</source>
        <translation>Zisťujem kódovanie a konce riadkov vstupného súboru.</translation>
    </message>
    <message>
        <source>Detekce přerušena uživatelem po stlačení tlačítka &apos;Zrušit&apos;!</source>
        <translation>Detekcia prerušená používateľom po stlačení tlačidla &apos;Zrušiť&apos;!</translation>
    </message>
    <message>
        <source>Chyba: Nelze přejmenovat dočasný soubor Temp.tmp na 
%s!</source>
        <translation>Chyba: Nie je možné premenovať dočasný súbor Temp.tmp na 
%s!</translation>
    </message>
    <message>
        <source>Konverze přerušena uživatelem po stlačení tlačítka &apos;Zrušit&apos;!</source>
        <translation>Konverzia prerušená používateľom po stlačení tlačidla &apos;Zrušiť&apos;!</translation>
    </message>
    <message>
        <source>Textové soubory (*.txt)|*.txt|TeX/LaTeX soubory (*.tex)|*.tex|Web soubory (*.htm;*.html)|*.htm;*.html|Programy (*.c;*.cpp;*.h;*.bas)|*.c;*.cpp;*.h;*.bas|Všechny soubory (*.*)|*.*||</source>
        <translation>Textové súbory (*.txt)|*.txt|TeX/LaTeX súbory (*.tex)|*.tex|Web súbory (*.htm;*.html)|*.htm;*.html|Programy (*.c;*.cpp;*.h;*.bas)|*.c;*.cpp;*.h;*.bas|Všetky súbory (*.*)|*.*||</translation>
    </message>
    <message>
        <source>Všechny soubory (*.*)|*.*||</source>
        <translation>Všetky súbory (*.*)|*.*||</translation>
    </message>
    <message>
        <source>Pismovar verze 3.5.0</source>
        <translation>Pismovar verzia 3.5.0</translation>
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
        <translation>Parametre programu Pismovar:

pismovar.exe [/ab /cd] [&quot;súbor&quot;]

Kódová stránka:
a, c 	 0-Win, 1-Kam, 2-Lat, 3-ISO, 4-Mac, 5-Koi8čs, 6-ASC

Konce riadkov:
b, d 	 0-Win, 1-Mac, 2-Unix

Názov súboru:
&quot;súbor&quot;	 vykoná konverziu zadaného súboru
&quot;Clipboard&quot;	 vykoná konverziu schránky

Príklad:
pismovar /41 /00 &quot;email.txt&quot;
Týmto príkazom skonvertujeme súbor email.txt z kódovania Macintosh do Windows a konce riadkov sa prevedú z Macintosh na Windows.</translation>
    </message>
    <message>
        <source>Soubor není možné přečíst nebo zapsat!</source>
        <translation>Súbor nie je možné prečítať alebo zapísať!</translation>
    </message>
    <message>
        <source>Text nelze převést beze ztráty znaků!</source>
        <translation>Text nie je možné previesť bez straty znakov!</translation>
    </message>
    <message>
        <source>Nahrazeno znaků: %s</source>
        <translation>Nahradených znakov: %s</translation>
    </message>
    <message>
        <source>Neplatných sekvencí UTF-8: %s, první na pozici %s</source>
        <translation>Neplatných sekvencií UTF-8: %s, prvá na pozícii %s</translation>
    </message>
</context>
</TS>
