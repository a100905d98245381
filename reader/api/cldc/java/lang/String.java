// String.java - CLDC 1.0, the members the reader may use; signatures only.
package java.lang;

public final class String {
    public String() {}
    public String(byte[] bytes) {}
    public String(byte[] bytes, int off, int len) {}
    public String(char[] value) {}
    public String(StringBuffer buffer) {}
    public int length() { return 0; }
    public char charAt(int index) { return 0; }
    public boolean equals(Object anObject) { return false; }
    public int hashCode() { return 0; }
    public int indexOf(int ch) { return 0; }
    public int indexOf(int ch, int fromIndex) { return 0; }
    public String substring(int beginIndex) { return null; }
    public String substring(int beginIndex, int endIndex) { return null; }
    public byte[] getBytes() { return null; }
    public char[] toCharArray() { return null; }
    public String toString() { return this; }
    public static String valueOf(Object obj) { return null; }
    public static String valueOf(int i) { return null; }
    public static String valueOf(long l) { return null; }
    public static String valueOf(char c) { return null; }
    public static String valueOf(boolean b) { return null; }
}
