// StringBuffer.java - CLDC 1.0, signatures only (CLDC has no StringBuilder).
package java.lang;

public final class StringBuffer {
    public StringBuffer() {}
    public StringBuffer(int length) {}
    public StringBuffer(String str) {}
    public int length() { return 0; }
    public StringBuffer append(Object obj) { return this; }
    public StringBuffer append(String str) { return this; }
    public StringBuffer append(char c) { return this; }
    public StringBuffer append(boolean b) { return this; }
    public StringBuffer append(int i) { return this; }
    public StringBuffer append(long l) { return this; }
    public String toString() { return null; }
}
